#include "forms/ServerChooser.h"

#include <optional>

#include "farm/farm.h"
#include "forms/program.h"
#include "forms/progress.h"
#include "shared/shared.h"

namespace forms {

namespace {

// Layout, twips.
constexpr int kWidth = 7200;
constexpr int kHeight = 5040;
constexpr ui::Twips kListLeft{240, 1455, 2700, 2655};
constexpr ui::Twips kListRight{4260, 1455, 2700, 2655};
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kBottomRow = 4500;

}  // namespace

ServerChooser::ServerChooser(Program& program)
    : Form(program.Desktop()), module_(program.Shared()), program_(program) {}

ui::FormStyle ServerChooser::Style() const {
    return {.caption = DialogCaption(),
            .width = kWidth,
            .height = kHeight,
            .placement = ui::Placement::CenterOwner,
            .border = ui::Border::FixedDialog,
            .showInTaskbar = false};
}

void ServerChooser::CreateControls() {
    serversCurrent_ = false;
    destServersCurrent_ = false;

    lblSpecify.Create(*this, {240, 120, 4680, 495}, "Specify Servers", ui::LabelFont::Heading);
    lblChoose.Create(*this, {240, 720, 6720, 255}, HintText());
    Line1[0].Create(*this, 0, 1080, kWidth);
    lblServers.Create(*this, {240, 1200, 2700, 255}, "Available Servers");
    lstServers.Create(*this, kListLeft, {.sorted = true, .selection = ui::Selection::Extended});
    btnAdd.Create(*this, {3060, 2220, 1080, kButtonHeight}, "&Add  >>");
    btnRemove.Create(*this, {3060, 2715, 1080, kButtonHeight}, "<<  &Remove");
    lblDestServers.Create(*this, {4260, 1200, 2700, 255}, "Configured Servers");
    lstDestServers.Create(*this, kListRight,
                          {.sorted = true, .selection = ui::Selection::Extended});
    Line1[1].Create(*this, 0, 4320, kWidth);
    pbStatus.Create(*this, {240, kBottomRow + 60, 2895, 255});
    ActionButton().Create(*this, {4380, kBottomRow, kButtonWidth, kButtonHeight}, ActionCaption());
    btnCancel.Create(*this, {5745, kBottomRow, kButtonWidth, kButtonHeight}, "&Cancel");
    CreateOwnControls();

    SetDefaultButton(btnCancel);
    SetCancelButton(btnCancel);
    OnClick(btnAdd, [this] { btnAdd_Click(); });
    OnClick(btnRemove, [this] { btnRemove_Click(); });
    OnClick(ActionButton(), [this] { ActionClick(); });
    OnClick(btnCancel, [this] { btnCancel_Click(); });
    // A click or key that changes the selection makes its entry the current one.
    OnNotify(lstServers, LBN_SELCHANGE, [this] { serversCurrent_ = true; });
    OnNotify(lstDestServers, LBN_SELCHANGE, [this] { destServersCurrent_ = true; });
}

void ServerChooser::Form_Load() {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    ResetProgress(pbStatus);
    ActionButton().SetEnabled(false);
    // A farm that cannot be listed leaves the dialog open and empty.
    Invoke([this] {
        farm::Farm& farmObject = module_.OpenFarm();
        auto servers = farmObject.Servers();
        for (auto& server : servers->Items()) {
            lstServers.AddItem(server->ServerName());
        }
    });
    desktop.SetBusy(false);
}

void ServerChooser::btnAdd_Click() {
    if (!serversCurrent_) {
        return;
    }
    MoveSelected(lstServers, serversCurrent_, lstDestServers);
    FollowConfiguredList();
}

void ServerChooser::btnRemove_Click() {
    if (!destServersCurrent_) {
        return;
    }
    MoveSelected(lstDestServers, destServersCurrent_, lstServers);
    FollowConfiguredList();
}

void ServerChooser::btnCancel_Click() {
    Unload();
}

void ServerChooser::MoveSelected(ui::ListBox& from, bool& fromHasCurrent, ui::ListBox& to) {
    const int16_t current = from.ListIndex();
    if (current >= 0 && from.Selected(current)) {
        // The current entry leaves with the others.
        fromHasCurrent = false;
    }
    // Backwards, so that removing an entry leaves the positions still to visit in place.
    for (int16_t i = static_cast<int16_t>(from.ListCount() - 1); i >= 0; --i) {
        if (from.Selected(i)) {
            to.AddItem(from.List(i));
            from.RemoveItem(i);
        }
    }
}

void ServerChooser::FollowConfiguredList() {
    ActionButton().SetEnabled(lstDestServers.ListCount() >= 1);
}

void ServerChooser::ReportError() {
    Form::ReportError();
    ResetProgress(pbStatus);
}

void ServerChooser::RunPairs(
    const ui::ListBox& apps,
    const std::function<shared::Outcome(const std::string&, const std::string&)>& work,
    std::string_view done, std::string_view operation) {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    shared::RunRefusals refusals(shared::RunItems::Pairs);
    std::optional<RecordedRun> record;
    record.emplace(program_, std::string(operation),
                   std::string(done) + std::to_string(apps.ListCount()) + " applications on " +
                       std::to_string(lstDestServers.ListCount()) + " servers");

    // Servers outer, applications inner.
    const int16_t applications = apps.ListCount();
    RunWithProgress(
        pbStatus, int32_t{lstDestServers.ListCount()} * applications, [&](int32_t pair) {
            const std::string application = apps.List(static_cast<int16_t>(pair % applications));
            const std::string server =
                lstDestServers.List(static_cast<int16_t>(pair / applications));
            const shared::Outcome outcome = work(application, server);
            shared::RethrowFailure(outcome);  // the run ends as a failed step always has
            refusals.Note(application, server, shared::FirstRefusal(outcome));
        });

    record.reset();
    desktop.SetBusy(false);
    ResetProgress(pbStatus);
    Message(
        refusals.CompletionText(std::string(done) + std::to_string(applications) + " applications"),
        "Finished", refusals.CompletionIcon());
}

}  // namespace forms
