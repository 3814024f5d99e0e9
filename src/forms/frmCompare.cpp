#include "forms/frmCompare.h"

#include <utility>
#include <vector>

#include "forms/program.h"
#include "forms/ui/clipboard.h"

namespace forms {

namespace {

// Layout, twips: the report over the buttons at the bottom right.
constexpr int kWidth = 9600;
constexpr int kHeight = 7200;
constexpr int kMargin = 120;
constexpr int kInner = kWidth - 2 * kMargin;
constexpr int kButtonTop = 6600;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kButtonGap = 105;

std::string CountLine(const compare::Comparison& comparison, const std::string& fileName) {
    const size_t count = comparison.differences.size();
    if (count == 0) {
        return "No differences";
    }
    return std::to_string(count) + (count == 1 ? " difference" : " differences") + " between " +
           fileName + " and the farm";
}

}  // namespace

std::string ComparisonText(const compare::Comparison& comparison, const std::string& fileName) {
    std::string text = CountLine(comparison, fileName) + "\r\n";
    const std::vector<std::string> lines =
        compare::GroupedLines(comparison, "the file", "the farm");
    if (!lines.empty()) {
        text += "\r\n";
    }
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

frmCompare::frmCompare(Program& program, std::string fileName, compare::Comparison comparison)
    : Form(program.Desktop()), fileName_(std::move(fileName)), comparison_(std::move(comparison)) {}

ui::FormStyle frmCompare::Style() const {
    return {.caption = "Compare with File",
            .width = kWidth,
            .height = kHeight,
            .placement = ui::Placement::CenterOwner,
            .border = ui::Border::FixedDialog,
            .showInTaskbar = false};
}

void frmCompare::CreateControls() {
    txtReport.Create(*this, {kMargin, 120, kInner, 6360});
    cmdCopy.Create(
        *this,
        {kWidth - kMargin - 2 * kButtonWidth - kButtonGap, kButtonTop, kButtonWidth, kButtonHeight},
        "&Copy");
    cmdClose.Create(*this,
                    {kWidth - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight},
                    "&Close");
    SetDefaultButton(cmdClose);
    SetCancelButton(cmdClose);
    OnClick(cmdCopy, [this] { cmdCopy_Click(); });
    OnClick(cmdClose, [this] { cmdClose_Click(); });
}

void frmCompare::Form_Load() {
    txtReport.SetReport(ComparisonText(comparison_, fileName_));
}

void frmCompare::cmdCopy_Click() {
    ui::SetClipboardText(Handle(), txtReport.Text());
}

void frmCompare::cmdClose_Click() {
    Unload();
}

}  // namespace forms
