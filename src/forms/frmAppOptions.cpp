#include "forms/frmAppOptions.h"

#include <functional>
#include <optional>

#include "base/error.h"
#include "forms/program.h"
#include "forms/progress.h"
#include "settings/lines.h"
#include "shared/deployment.h"

namespace forms {

namespace {

constexpr int16_t kCustomSize = 4;
constexpr int16_t kPercentSize = 5;

// Layout, twips: colours and encryption on the left, size (with its boxes under it) and
// audio on the right.
constexpr int kWidth = 7200;
constexpr int kHeight = 4020;
constexpr int kLeft = 240;
constexpr int kRight = 3780;
constexpr int kColumn = 3180;
constexpr int kHalf = 1455;
constexpr int kComboHeight = 315;
constexpr int kTextHeight = 285;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;

using Entry = shared::OptionChoice;
constexpr const auto& kColors = shared::kWindowColorChoices;
constexpr const auto& kSizes = shared::kWindowSizeChoices;
constexpr const auto& kEncryptions = shared::kEncryptionChoices;
constexpr const auto& kAudio = shared::kAudioChoices;

// Appends the entries, makes `current` the current one, then gives the entries their values.
template <size_t N>
void Fill(ui::ComboBox& list, const std::array<Entry, N>& entries, int16_t current,
          const std::function<void()>& onCurrentSet = {}) {
    list.Clear();
    for (const Entry& entry : entries) {
        list.AddItem(entry.text);
    }
    list.SetListIndex(current);
    if (onCurrentSet) {
        onCurrentSet();
    }
    for (size_t i = 0; i < N; ++i) {
        list.SetItemData(static_cast<int16_t>(i), entries[i].value);
    }
}

int32_t CurrentValue(const ui::ComboBox& list) {
    return list.ItemData(list.ListIndex());
}

}  // namespace

frmAppOptions::frmAppOptions(Program& program)
    : Form(program.Desktop()), module_(program.Shared()), program_(program) {}

ui::FormStyle frmAppOptions::Style() const {
    return {.caption = "Application Options",
            .width = kWidth,
            .height = kHeight,
            .placement = ui::Placement::CenterOwner,
            .border = ui::Border::FixedDialog,
            .showInTaskbar = false};
}

void frmAppOptions::CreateControls() {
    lblAppOptions.Create(*this, {kLeft, 120, kWidth - 2 * kLeft, 495}, "Application Options",
                         ui::LabelFont::Heading);
    Line1[0].Create(*this, 0, 720, kWidth);

    lblColors.Create(*this, {kLeft, 960, kColumn, 255}, "Colors:");
    WindowColorList.Create(*this, {kLeft, 1215, kColumn, kComboHeight}, 4);
    lblSize.Create(*this, {kRight, 960, kColumn, 255}, "Session Window Size:");
    WindowSizeList.Create(*this, {kRight, 1215, kColumn, kComboHeight}, 7);
    lblWidth.Create(*this, {kRight, 1650, kHalf, 255}, "Width:");
    txtWidth.Create(*this, {kRight, 1905, kHalf, kTextHeight});
    lblPercent.Create(*this, {kRight, 1650, kHalf, 255}, "Percent");
    txtPercent.Create(*this, {kRight, 1905, kHalf, kTextHeight});
    lblHeight.Create(*this, {kRight + kColumn - kHalf, 1650, kHalf, 255}, "Height:");
    txtHeight.Create(*this, {kRight + kColumn - kHalf, 1905, kHalf, kTextHeight});
    lblEncryption.Create(*this, {kLeft, 2400, kColumn, 255}, "Encryption:");
    EncryptionList.Create(*this, {kLeft, 2655, kColumn, kComboHeight}, 5);
    lblAudio.Create(*this, {kRight, 2400, kColumn, 255}, "Audio:");
    AudioList.Create(*this, {kRight, 2655, kColumn, kComboHeight}, 2);

    Line1[1].Create(*this, 0, 3300, kWidth);
    pbStatus.Create(*this, {kLeft, 3540, 2895, 255});
    btnSetOptions.Create(*this, {4380, 3480, kButtonWidth, kButtonHeight}, "&Set");
    btnCancel.Create(*this, {5745, 3480, kButtonWidth, kButtonHeight}, "&Cancel");
    lstApps.Create(*this, {0, 0, 0, 0}, {.sorted = false, .selection = ui::Selection::Single});
    lstApps.SetVisible(false);

    SetDefaultButton(btnCancel);
    SetCancelButton(btnCancel);
    OnClick(btnSetOptions, [this] { btnSetOptions_Click(); });
    OnClick(btnCancel, [this] { btnCancel_Click(); });
    OnNotify(WindowSizeList, CBN_SELCHANGE, [this] { WindowSizeList_Click(); });
}

void frmAppOptions::Form_Load() {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    ResetProgress(pbStatus);

    Fill(WindowColorList, kColors, 1);
    Fill(WindowSizeList, kSizes, 0, [this] { WindowSizeList_Click(); });
    Fill(EncryptionList, kEncryptions, 0);
    Fill(AudioList, kAudio, 0);

    txtHeight.SetText("480");
    txtWidth.SetText("640");
    txtPercent.SetText("90");
    for (ui::Control* control : std::array<ui::Control*, 6>{&txtHeight, &txtWidth, &txtPercent,
                                                            &lblHeight, &lblWidth, &lblPercent}) {
        control->SetVisible(false);
    }
    desktop.SetBusy(false);
}

void frmAppOptions::WindowSizeList_Click() {
    const int16_t current = WindowSizeList.ListIndex();
    const bool custom = current == kCustomSize;
    const bool percent = current == kPercentSize;
    lblWidth.SetVisible(custom);
    txtWidth.SetVisible(custom);
    lblHeight.SetVisible(custom);
    txtHeight.SetVisible(custom);
    lblPercent.SetVisible(percent);
    txtPercent.SetVisible(percent);
}

std::optional<int16_t> frmAppOptions::ReadNumber(const ui::TextBox& box, const std::string& field) {
    try {
        return settings::ToInt16(box.Text());
    } catch (const base::Error&) {
        Message("The " + field + " must be a whole number from -32768 to 32767.",
                "Application Options", shared::MessageIcon::Information);
        return std::nullopt;
    }
}

void frmAppOptions::btnSetOptions_Click() {
    // Every text is checked before anything is written.
    const auto scale = ReadNumber(txtPercent, "percent");
    if (!scale) {
        return;
    }
    const auto height = ReadNumber(txtHeight, "height");
    if (!height) {
        return;
    }
    const auto width = ReadNumber(txtWidth, "width");
    if (!width) {
        return;
    }

    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    shared::RunRefusals refusals(shared::RunItems::Applications);

    const int16_t count = lstApps.ListCount();
    std::optional<RecordedRun> record;
    record.emplace(program_, "Options", "Options of " + std::to_string(count) + " applications");
    RunWithProgress(pbStatus, count, [&](int32_t i) {
        const std::string application = lstApps.List(static_cast<int16_t>(i));
        // Read at each step, as the lists stand.
        const shared::AppOptions options{.windowType = CurrentValue(WindowSizeList),
                                         .windowColor = CurrentValue(WindowColorList),
                                         .encryption = CurrentValue(EncryptionList),
                                         .soundType = CurrentValue(AudioList),
                                         .windowScale = *scale,
                                         .windowHeight = *height,
                                         .windowWidth = *width};
        const shared::Outcome outcome = shared::SetAppOptions(module_, application, options);
        shared::RethrowFailure(outcome);  // the run ends as a failed step always has
        refusals.Note(application, {}, shared::FirstRefusal(outcome));
    });

    record.reset();
    desktop.SetBusy(false);
    // The bar stays at its last step while the message is shown.
    Message(refusals.CompletionText("Changed  " + std::to_string(count) + " applications"),
            "Finished", refusals.CompletionIcon());
    ResetProgress(pbStatus);
}

void frmAppOptions::btnCancel_Click() {
    Unload();
}

void frmAppOptions::ReportError() {
    Form::ReportError();
    ResetProgress(pbStatus);
}

}  // namespace forms
