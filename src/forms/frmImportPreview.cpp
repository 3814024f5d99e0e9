#include "forms/frmImportPreview.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "forms/frmMain.h"
#include "forms/program.h"
#include "preview/preview_report.h"
#include "shared/farm_file.h"
#include "shared/shared.h"

namespace forms {

namespace {

// Layout, twips: the report over the mapping's drop-downs (two columns of four), the buttons
// at the bottom.
constexpr int kWidth = 10200;
constexpr int kHeight = 7470;
constexpr int kMargin = 120;
constexpr int kInner = kWidth - 2 * kMargin;
constexpr int kRowsPerColumn = frmImportPreview::kServerRows / 2;
constexpr int kFirstRow = 5220;
constexpr int kRowStep = 405;
constexpr int kColumnStep = 5040;
constexpr int kNameWidth = 1800;
constexpr int kComboLeft = 1860;
constexpr int kComboWidth = 3000;
constexpr int kButtonTop = 6960;
constexpr int kButtonWidth = 1455;
constexpr int kButtonHeight = 375;

}  // namespace

frmImportPreview::frmImportPreview(Program& program, std::string fileName)
    : Form(program.Desktop()), program_(program), fileName_(std::move(fileName)) {}

ui::FormStyle frmImportPreview::Style() const {
    return {.caption = "Import Preview",
            .width = kWidth,
            .height = kHeight,
            .placement = ui::Placement::CenterOwner,
            .border = ui::Border::FixedDialog,
            .showInTaskbar = false};
}

void frmImportPreview::CreateControls() {
    lblFile.Create(*this, {kMargin, 120, kInner, 255}, "Farm file: " + fileName_);
    txtReport.Create(*this, {kMargin, 420, kInner, 4320});
    lblMapping.Create(*this, {kMargin, 4860, kInner, 255}, {});
    for (int row = 0; row < kServerRows; ++row) {
        const int left = kMargin + (row / kRowsPerColumn) * kColumnStep;
        const int top = kFirstRow + (row % kRowsPerColumn) * kRowStep;
        lblServer[row].Create(*this, {left, top + 45, kNameWidth, 255}, {});
        cboServer[row].Create(*this, {left + kComboLeft, top, kComboWidth, 315}, 10);
        OnNotify(cboServer[row], CBN_SELCHANGE, [this, row] { cboServer_Click(row); });
    }
    cmdPrevious.Create(*this, {kMargin, kButtonTop, 600, kButtonHeight}, "<<");
    lblPage.Create(*this, {780, kButtonTop + 60, 2400, 255}, {});
    cmdNext.Create(*this, {3240, kButtonTop, 600, kButtonHeight}, ">>");
    cmdPreview.Create(
        *this,
        {kWidth - kMargin - 3 * kButtonWidth - 2 * 105, kButtonTop, kButtonWidth, kButtonHeight},
        "&Preview");
    cmdImport.Create(
        *this, {kWidth - kMargin - 2 * kButtonWidth - 105, kButtonTop, kButtonWidth, kButtonHeight},
        "&Import");
    cmdClose.Create(*this,
                    {kWidth - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight},
                    "&Close");
    SetDefaultButton(cmdClose);
    SetCancelButton(cmdClose);
    OnClick(cmdPrevious, [this] { cmdPrevious_Click(); });
    OnClick(cmdNext, [this] { cmdNext_Click(); });
    OnClick(cmdPreview, [this] { cmdPreview_Click(); });
    OnClick(cmdImport, [this] { cmdImport_Click(); });
    OnClick(cmdClose, [this] { cmdClose_Click(); });
}

void frmImportPreview::Form_Load() {
    RunPreview(nullptr);
}

void frmImportPreview::RunPreview(const shared::ServerMapping* mapping) {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    shared::Shared& module = program_.Shared();
    std::vector<std::string> before;
    for (const preview::MissingServer& server : preview_.missingServers) {
        before.push_back(server.name);
    }
    preview_ = preview::PreviewImport(module.factory, module.makeFileSystem, fileName_, mapping);

    std::vector<std::string> missing;
    for (const preview::MissingServer& server : preview_.missingServers) {
        missing.push_back(server.name);
    }
    if (missing != before || choices_.size() != missing.size()) {
        choices_.assign(missing.size(), kNotMapped);
        page_ = 0;
    }
    txtReport.SetReport(preview::ReportText(preview_, mapping));
    lblMapping.SetCaption(missing.empty() ? "The file names no server that this farm lacks."
                                          : "Servers the file names that this farm lacks: map "
                                            "each to a server of this farm, or leave it out.");
    for (ui::ComboBox& list : cboServer) {
        list.Clear();
        list.AddItem("(not mapped)", kNotMapped);
        list.AddItem("(leave out)", kLeftOut);
        for (size_t i = 0; i < preview_.farmServers.size(); ++i) {
            list.AddItem(preview_.farmServers[i], static_cast<int32_t>(i));
        }
    }
    ShowPage();
    desktop.SetBusy(false);
}

void frmImportPreview::ShowPage() {
    const size_t count = choices_.size();
    const size_t first = page_ * kServerRows;
    for (int row = 0; row < kServerRows; ++row) {
        const size_t index = first + static_cast<size_t>(row);
        const bool used = index < count;
        lblServer[row].SetVisible(used);
        cboServer[row].SetVisible(used);
        if (!used) {
            continue;
        }
        lblServer[row].SetCaption(preview_.missingServers[index].name);
        ui::ComboBox& list = cboServer[row];
        for (int16_t i = 0; i < list.ListCount(); ++i) {
            if (list.ItemData(i) == choices_[index]) {
                list.SetListIndex(i);
            }
        }
    }
    const bool paged = count > static_cast<size_t>(kServerRows);
    cmdPrevious.SetVisible(paged);
    cmdNext.SetVisible(paged);
    lblPage.SetVisible(paged);
    cmdPrevious.SetEnabled(page_ > 0);
    cmdNext.SetEnabled(first + kServerRows < count);
    lblPage.SetCaption("Servers " + std::to_string(first + 1) + " to " +
                       std::to_string(std::min(count, first + kServerRows)) + " of " +
                       std::to_string(count));
}

void frmImportPreview::cboServer_Click(int row) {
    const size_t index = page_ * kServerRows + static_cast<size_t>(row);
    const int16_t chosen = cboServer[row].ListIndex();
    if (index < choices_.size() && chosen >= 0) {
        choices_[index] = cboServer[row].ItemData(chosen);
    }
}

void frmImportPreview::cmdPrevious_Click() {
    if (page_ > 0) {
        --page_;
        ShowPage();
    }
}

void frmImportPreview::cmdNext_Click() {
    if ((page_ + 1) * kServerRows < choices_.size()) {
        ++page_;
        ShowPage();
    }
}

shared::ServerMapping frmImportPreview::Mapping() const {
    shared::ServerMapping mapping;
    for (size_t i = 0; i < choices_.size(); ++i) {
        const std::string& server = preview_.missingServers[i].name;
        if (choices_[i] == kLeftOut) {
            mapping.LeaveOut(server);
        } else if (choices_[i] >= 0) {
            mapping.MapTo(server, preview_.farmServers.at(static_cast<size_t>(choices_[i])));
        }
    }
    return mapping;
}

void frmImportPreview::cmdPreview_Click() {
    const shared::ServerMapping mapping = Mapping();
    RunPreview(&mapping);
}

void frmImportPreview::cmdImport_Click() {
    const shared::ServerMapping mapping = Mapping();
    shared::Shared& module = program_.Shared();
    ui::Desktop& desktop = GetDesktop();
    Unload();
    // As Import Farm: busy pointer, the main window's status line, then idle again.
    desktop.SetBusy(true);
    module.feedback.RepaintMain();
    std::optional<RecordedRun> record;
    record.emplace(program_, "Import Farm", "Import Farm from " + fileName_);
    const shared::Outcome outcome =
        shared::ImportFarm(module, fileName_, {.servers = mapping.Empty() ? nullptr : &mapping});
    record.reset();
    program_.Main().ShowOutcome(outcome);
    desktop.SetBusy(false);
    module.feedback.SetStatusVisible(false);
    module.feedback.SetStatusCaption("");
}

void frmImportPreview::cmdClose_Click() {
    Unload();
}

}  // namespace forms
