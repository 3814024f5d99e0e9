#include "forms/frmMain.h"

#include <optional>
#include <utility>

#include "base/error.h"
#include "compare/comparison.h"
#include "farm/farm.h"
#include "forms/frmAbout.h"
#include "forms/frmAppOptions.h"
#include "forms/frmClone.h"
#include "forms/frmCompare.h"
#include "forms/frmImportPreview.h"
#include "forms/frmInterfaceCheck.h"
#include "forms/frmPublish.h"
#include "forms/frmUnPublish.h"
#include "forms/program.h"
#include "journal/undo.h"
#include "shared/farm_file.h"
#include "shared/server_file.h"
#include "shared/shared.h"

namespace forms {

namespace {

constexpr std::string_view kRootFolder = "Applications/";
constexpr ui::Twips kListPlace{120, 1200, 6375, 3375};

std::string NoServerSelectedText() {
    return "Sorry: \r\nNo Server Selected";
}

}  // namespace

std::string DisplayPath(std::string_view distinguishedName) {
    std::string path(distinguishedName.starts_with(kRootFolder)
                         ? distinguishedName.substr(kRootFolder.size())
                         : distinguishedName);
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string DistinguishedNameOf(std::string_view displayPath) {
    std::string name = "Applications\\" + std::string(displayPath);
    for (char& c : name) {
        if (c == '\\') {
            c = '/';
        }
    }
    return name;
}

frmMain::frmMain(Program& program)
    : Form(program.Desktop()), ComDlg1(program.GetServices().fileDialogs), program_(program) {}

ui::FormStyle frmMain::Style() const {
    return {.caption = "Zelt Tool",
            .width = 6630,
            .height = 5505,
            // Centred, so that its dialogs, some wider than it, open centred over it.
            .placement = ui::Placement::CenterScreen,
            .border = ui::Border::FixedSingle};
}

void frmMain::CreateControls() {
    lblView.Create(*this, {240, 120, 6255, 495}, "Server Farm", ui::LabelFont::Heading);
    Line1[0].Create(*this, 0, 720, 6630);
    lblInfo.Create(*this, {240, 840, 6255, 255}, {});
    lstFarm.Create(*this, kListPlace, {.sorted = false, .selection = ui::Selection::Single});
    lstApps.Create(*this, kListPlace, {.sorted = true, .selection = ui::Selection::Extended});
    lstServers.Create(*this, kListPlace, {.sorted = true, .selection = ui::Selection::Single});
    Line1[1].Create(*this, 0, 4920, 6630);
    lblStatus.Create(*this, {240, 5100, 4695, 255}, {});
    pbStatus.Create(*this, {120, 5100, 2895, 255});
    cmdQuit.Create(*this, {5160, 5040, 1335, 375}, "&Quit");
    SetDefaultButton(cmdQuit);
    OnClick(cmdQuit, [this] { cmdQuit_Click(); });
    BuildMenu();
    if (program_.App().icon != nullptr) {
        SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(program_.App().icon));
        SendMessageW(Handle(), WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(program_.App().icon));
    }
}

void frmMain::BuildMenu() {
    menu.Clear();
    menu.AddMenu("&File");
    mnuFileExit = menu.AddItem("E&xit");
    menu.AddMenu("&Edit");
    mnuEditSelAll = menu.AddItem("Select &All", {'A', true});
    if (program_.GetServices().journal != nullptr) {
        mnuEditBar0 = menu.AddSeparator();
        mnuEditUndo = menu.AddItem("&Undo");
        OnMenu(mnuEditUndo, [this] { mnuEditUndo_Click(); });
    }
    menu.AddMenu("&View");
    mnuViewFarm = menu.AddItem("&Farm");
    mnuViewApps = menu.AddItem("&Applications");
    mnuViewServers = menu.AddItem("&Servers");
    mnuViewBar0 = menu.AddSeparator();
    mnuViewRefresh = menu.AddItem("&Refresh", {VK_F5, false});
    menu.AddMenu("&Tools");
    mnuToolsPublish = menu.AddItem("&Publish");
    mnuToolsUnpublish = menu.AddItem("&Unpublish");
    mnuToolsOptions = menu.AddItem("&Options");
    mnuToolsClone = menu.AddItem("&Clone");
    mnuToolsImport = menu.AddItem("Import");
    mnuToolsImportPreview = menu.AddItem("Import Pre&view...");
    mnuToolsExport = menu.AddItem("Export");
    mnuToolsCompare = menu.AddItem("Co&mpare with File...");
    menu.AddMenu("&Help");
    mnuHelpContent = menu.AddItem("&Content", {}, false, false);
    mnuHelpBar0 = menu.AddSeparator();
    mnuHelpAbout = menu.AddItem("&About");
    if (program_.GetServices().checkFarmInterface) {
        mnuHelpCheck = menu.AddItem("Farm &Interface Check...");
        OnMenu(mnuHelpCheck, [this] { mnuHelpCheck_Click(); });
    }

    OnMenu(mnuFileExit, [this] { mnuFileExit_Click(); });
    OnMenu(mnuEditSelAll, [this] { mnuEditSelAll_Click(); });
    OnMenu(mnuViewFarm, [this] { mnuViewFarm_Click(); });
    OnMenu(mnuViewApps, [this] { mnuViewApps_Click(); });
    OnMenu(mnuViewServers, [this] { mnuViewServers_Click(); });
    OnMenu(mnuViewRefresh, [this] { mnuViewRefresh_Click(); });
    OnMenu(mnuToolsImport, [this] { mnuToolsImport_Click(); });
    OnMenu(mnuToolsImportPreview, [this] { mnuToolsImportPreview_Click(); });
    OnMenu(mnuToolsExport, [this] { mnuToolsExport_Click(); });
    OnMenu(mnuToolsCompare, [this] { mnuToolsCompare_Click(); });
    OnMenu(mnuToolsClone, [this] { mnuToolsClone_Click(); });
    OnMenu(mnuToolsPublish, [this] { mnuToolsPublish_Click(); });
    OnMenu(mnuToolsUnpublish, [this] { mnuToolsUnpublish_Click(); });
    OnMenu(mnuToolsOptions, [this] { mnuToolsOptions_Click(); });
    OnMenu(mnuHelpContent, [this] { mnuHelpContent_Click(); });
    OnMenu(mnuHelpAbout, [this] { mnuHelpAbout_Click(); });
    SetMenuBar(menu);
}

void frmMain::Form_Load() {
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    pbStatus.SetVisible(false);
    pbStatus.SetValue(0);
    lblStatus.SetVisible(false);
    lblStatus.SetCaption("");
    lstFarm.Move(kListPlace);
    lstServers.Move(kListPlace);
    lstApps.Move(kListPlace);
    ShowUndoEntry();
    // A failing fill is reported (and the pointer restored); the window still opens.
    Invoke([this] { mnuViewRefresh_Click(); });
    desktop.SetBusy(false);
}

void frmMain::ShowList(ui::ListBox& shown) {
    HWND focus = GetFocus();
    const bool focusOnList =
        focus != nullptr &&
        (focus == lstFarm.Handle() || focus == lstApps.Handle() || focus == lstServers.Handle());
    lstFarm.SetVisible(&shown == &lstFarm);
    lstServers.SetVisible(&shown == &lstServers);
    lstApps.SetVisible(&shown == &lstApps);
    if (focusOnList) {
        shown.SetFocus();
    }
}

void frmMain::mnuViewFarm_Click() {
    shared::Shared& module = program_.Shared();
    module.currentView = shared::kFarmView;
    lstFarm.Clear();
    ShowList(lstFarm);
    lblInfo.SetCaption("Import or export all applications and farm settings");
    lblView.SetCaption("Server Farm");
    menu.SetCaption(mnuToolsExport, "&Export Farm");
    menu.SetCaption(mnuToolsImport, "&Import Farm");
    menu.SetVisible(mnuToolsImport, true);
    menu.SetVisible(mnuToolsExport, true);
    menu.SetVisible(mnuToolsImportPreview, true);
    menu.SetVisible(mnuToolsCompare, true);
    menu.SetVisible(mnuToolsPublish, false);
    menu.SetVisible(mnuToolsUnpublish, false);
    menu.SetVisible(mnuToolsClone, false);
    menu.SetVisible(mnuToolsOptions, false);

    farm::Farm& farm = module.OpenFarm();
    ui::ListBox::PaintHold hold(lstFarm);
    lstFarm.AddItem("Farm name\t: " + farm.FarmName());
    for (const auto& zone : farm.Zones()->Items()) {
        lstFarm.AddItem("Zone name\t: " + zone->ZoneName());
        lstFarm.AddItem("   Data collector\t:    " + zone->DataCollector());
    }
    lstFarm.AddItem("Number of servers\t: " + std::to_string(farm.Servers()->Count()));
}

void frmMain::mnuViewApps_Click() {
    shared::Shared& module = program_.Shared();
    module.currentView = shared::kApplicationsView;
    lstApps.Clear();
    ShowList(lstApps);
    lblInfo.SetCaption("Select applications to publish on new servers");
    lblView.SetCaption("Applications");
    menu.SetVisible(mnuToolsPublish, true);
    menu.SetVisible(mnuToolsUnpublish, true);
    menu.SetVisible(mnuToolsOptions, true);
    menu.SetVisible(mnuToolsImport, false);
    menu.SetVisible(mnuToolsExport, false);
    menu.SetVisible(mnuToolsImportPreview, false);
    menu.SetVisible(mnuToolsCompare, false);
    menu.SetVisible(mnuToolsClone, false);

    farm::Farm& farm = module.OpenFarm();
    ui::ListBox::PaintHold hold(lstApps);
    for (const auto& application : farm.Applications()->Items()) {
        lstApps.AddItem(DisplayPath(application->DistinguishedName()));
    }
}

void frmMain::mnuViewServers_Click() {
    shared::Shared& module = program_.Shared();
    module.currentView = shared::kServersView;
    lstServers.Clear();
    ShowList(lstServers);
    lblInfo.SetCaption("Select server to bring online take offline or to clone applications from");
    lblView.SetCaption("Servers");
    menu.SetCaption(mnuToolsExport, "&Take offline");
    menu.SetCaption(mnuToolsImport, "&Bring online");
    menu.SetVisible(mnuToolsImport, true);
    menu.SetVisible(mnuToolsExport, true);
    menu.SetVisible(mnuToolsClone, true);
    menu.SetVisible(mnuToolsImportPreview, false);
    menu.SetVisible(mnuToolsCompare, false);
    menu.SetVisible(mnuToolsPublish, false);
    menu.SetVisible(mnuToolsUnpublish, false);
    menu.SetVisible(mnuToolsOptions, false);

    farm::Farm& farm = module.OpenFarm();
    ui::ListBox::PaintHold hold(lstServers);
    for (const auto& server : farm.Servers()->Items()) {
        lstServers.AddItem(server->ServerName());
    }
}

void frmMain::mnuViewRefresh_Click() {
    switch (program_.Shared().currentView) {
        case shared::kFarmView:
            mnuViewFarm_Click();
            break;
        case shared::kApplicationsView:
            mnuViewApps_Click();
            break;
        case shared::kServersView:
            mnuViewServers_Click();
            break;
        default:
            break;
    }
}

void frmMain::mnuEditSelAll_Click() {
    ui::ListBox* list = nullptr;
    switch (program_.Shared().currentView) {
        case shared::kFarmView:
            list = &lstFarm;
            break;
        case shared::kApplicationsView:
            list = &lstApps;
            break;
        case shared::kServersView:
            list = &lstServers;
            break;
        default:
            return;
    }
    const int16_t count = list->ListCount();
    for (int16_t i = 0; i < count; ++i) {
        list->SetSelected(i, true);
    }
}

void frmMain::ShowUndoEntry() {
    journal::Journal* journal = program_.GetServices().journal;
    if (journal == nullptr || mnuEditUndo == 0) {
        return;
    }
    std::optional<journal::RestoreRecord> last;
    try {
        const std::vector<std::string> ids = journal->Ids();
        if (!ids.empty()) {
            last = journal->Read(ids.front());
        }
    } catch (const base::Error&) {
        // An unreadable journal: nothing to undo.
    }
    menu.SetCaption(mnuEditUndo, last ? "&Undo " + last->operation : std::string("&Undo"));
    menu.SetEnabled(mnuEditUndo, last.has_value());
}

void frmMain::mnuEditUndo_Click() {
    journal::Journal* journal = program_.GetServices().journal;
    ui::Desktop& desktop = GetDesktop();
    try {
        const std::vector<std::string> ids = journal->Ids();
        if (ids.empty()) {
            return;
        }
        const journal::RestoreRecord last = journal->Read(ids.front());
        desktop.SetBusy(true);
        std::optional<RecordedRun> record;
        record.emplace(program_, "Undo " + last.operation, "Undo " + last.title);
        const shared::Outcome outcome = journal::Undo(program_.Shared(), last, false);
        record.reset();
        desktop.SetBusy(false);
        if (outcome.failure) {
            ShowOutcome(outcome);
        } else {
            const shared::OutcomeMessage done = journal::UndoMessage(last, outcome);
            Message(done.text, done.title, done.icon);
        }
        Invoke([this] { mnuViewRefresh_Click(); });
    } catch (...) {
        desktop.SetBusy(false);
        const shared::ErrorInfo error = shared::CurrentError();
        Message(shared::UnexpectedErrorText(error.number, error.description), "Error",
                shared::MessageIcon::Critical);
    }
    ShowUndoEntry();
}

void frmMain::mnuFileExit_Click() {
    Unload();
}

void frmMain::cmdQuit_Click() {
    Unload();
}

std::optional<std::string> frmMain::SelectedServer() const {
    for (int16_t i = static_cast<int16_t>(lstServers.ListCount() - 1); i >= 0; --i) {
        if (lstServers.Selected(i)) {
            return lstServers.List(i);
        }
    }
    return std::nullopt;
}

std::vector<std::string> frmMain::SelectedApplications() const {
    std::vector<std::string> names;
    for (int16_t i = static_cast<int16_t>(lstApps.ListCount() - 1); i >= 0; --i) {
        if (lstApps.Selected(i)) {
            names.push_back(DistinguishedNameOf(lstApps.List(i)));
        }
    }
    return names;
}

void frmMain::RunFileCommand(bool save) {
    shared::Shared& module = program_.Shared();
    ui::Desktop& desktop = GetDesktop();
    const auto prepareDialog = [&](const char* title) {
        ComDlg1.dialogTitle = title;
        ComDlg1.cancelError = true;
        ComDlg1.filter = "INI Files (*.ini)|*.ini";
        ComDlg1.initDir = program_.App().folder;
    };
    const auto chooseFile = [&] {
        if (save) {
            ComDlg1.ShowSave(Handle());
        } else {
            ComDlg1.ShowOpen(Handle());
        }
        desktop.SetBusy(true);
        std::string fileName = ComDlg1.fileName;
        Refresh();
        return fileName;
    };
    try {
        if (module.currentView == shared::kFarmView) {
            prepareDialog(save ? "Export Farm Applications" : "Import Farm Applications");
            if (save) {
                if (!module.farmObject) {
                    throw farm::FarmError(base::kErrObjectNotSet,
                                          "Object variable or With block variable not set");
                }
                ComDlg1.fileName = "Farm_" + module.farmObject->FarmName();
            }
            const std::string fileName = chooseFile();
            if (save) {
                ShowOutcome(shared::ExportFarm(module, fileName));
            } else {
                std::optional<RecordedRun> record;
                record.emplace(program_, "Import Farm", "Import Farm from " + fileName);
                const shared::Outcome outcome = shared::ImportFarm(module, fileName);
                record.reset();
                ShowOutcome(outcome);
            }
        } else if (module.currentView == shared::kServersView) {
            const std::optional<std::string> server = SelectedServer();
            if (!server) {
                Message(NoServerSelectedText(), "Clone", shared::MessageIcon::Information);
            } else {
                prepareDialog(save ? "Export Server Applications" : "Import Server Applications");
                if (save) {
                    ComDlg1.fileName = "Server_" + *server;
                }
                const std::string fileName = chooseFile();
                std::optional<RecordedRun> record;
                record.emplace(program_, save ? "Take offline" : "Bring online",
                               (save ? "Take offline " : "Bring online ") + *server +
                                   (save ? " to " : " from ") + fileName);
                const shared::Outcome outcome =
                    save ? shared::ExportServerApps(module, *server, fileName)
                         : shared::ImportServerApps(module, *server, fileName);
                record.reset();
                ShowOutcome(outcome);
            }
        }
    } catch (...) {
        desktop.SetBusy(false);
        const shared::ErrorInfo error = shared::CurrentError();
        if (error.number != base::kErrCancel) {
            Message(shared::UnexpectedErrorText(error.number, error.description), "Error",
                    shared::MessageIcon::Critical);
        }
    }
    if (save) {
        pbStatus.SetValue(0);
        pbStatus.SetVisible(false);
        desktop.SetBusy(false);
    } else {
        desktop.SetBusy(false);
        lblStatus.SetVisible(false);
        lblStatus.SetCaption("");
    }
}

void frmMain::mnuToolsExport_Click() {
    RunFileCommand(true);
}

void frmMain::mnuToolsImport_Click() {
    RunFileCommand(false);
}

bool frmMain::ChooseFarmFile(const char* title) {
    ComDlg1.dialogTitle = title;
    ComDlg1.cancelError = true;
    ComDlg1.filter = "INI Files (*.ini)|*.ini";
    ComDlg1.initDir = program_.App().folder;
    try {
        ComDlg1.ShowOpen(Handle());
    } catch (const base::Error& e) {
        if (e.number() == base::kErrCancel) {
            return false;
        }
        throw;
    }
    return true;
}

void frmMain::mnuToolsImportPreview_Click() {
    if (program_.Shared().currentView != shared::kFarmView ||
        !ChooseFarmFile("Import Farm Applications")) {
        return;
    }
    frmImportPreview dialog(program_, ComDlg1.fileName);
    dialog.ShowModal(this);
}

void frmMain::mnuToolsCompare_Click() {
    if (program_.Shared().currentView != shared::kFarmView ||
        !ChooseFarmFile("Compare Farm Applications")) {
        return;
    }
    // A failure propagates: the menu command reports it and clears the busy pointer.
    ui::Desktop& desktop = GetDesktop();
    desktop.SetBusy(true);
    shared::Shared& module = program_.Shared();
    compare::Comparison comparison =
        compare::CompareWithFarm(module.factory, module.makeFileSystem, ComDlg1.fileName);
    desktop.SetBusy(false);
    frmCompare dialog(program_, ComDlg1.fileName, std::move(comparison));
    dialog.ShowModal(this);
}

void frmMain::mnuHelpContent_Click() {
    program_.helpFile = InFolder(program_.App().folder, "zelttool.chm");
}

void frmMain::mnuHelpAbout_Click() {
    program_.About().ShowModal(this);
}

void frmMain::mnuHelpCheck_Click() {
    program_.InterfaceCheck().ShowModal(this);
}

float frmMain::ProgressValue() {
    return pbStatus.Value();
}

void frmMain::SetProgressValue(float value) {
    pbStatus.SetValue(value);
}

void frmMain::SetProgressVisible(bool visible) {
    pbStatus.SetVisible(visible);
}

void frmMain::SetStatusCaption(const std::string& caption) {
    lblStatus.SetCaption(caption);
}

void frmMain::SetStatusVisible(bool visible) {
    lblStatus.SetVisible(visible);
}

void frmMain::RepaintStatus() {
    lblStatus.Refresh();
}

void frmMain::RepaintMain() {
    Refresh();
}

void frmMain::ShowOutcome(const shared::Outcome& outcome) {
    for (const shared::OutcomeMessage& message : shared::MessagesOf(outcome)) {
        Message(message.text, message.title, message.icon);
    }
}

void frmMain::mnuToolsClone_Click() {
    const std::optional<std::string> server = SelectedServer();
    if (!server) {
        Message(NoServerSelectedText(), "Clone", shared::MessageIcon::Information);
        return;
    }
    frmClone dialog(program_);
    dialog.Load();
    dialog.srcServer.SetCaption(*server);
    dialog.ShowModal(this);
}

namespace {

// Loads the dialog with the selected applications (last line first) and shows it, or tells
// that nothing is selected.
template <class Dialog>
void OpenWithApplications(frmMain& main, Program& program) {
    const std::vector<std::string> applications = main.SelectedApplications();
    if (applications.empty()) {
        main.Message("Sorry: \r\nNo Applications Selected", "Publish",
                     shared::MessageIcon::Information);
        return;
    }
    Dialog dialog(program);
    dialog.Load();
    for (const std::string& name : applications) {
        dialog.lstApps.AddItem(name);
    }
    dialog.ShowModal(&main);
}

}  // namespace

void frmMain::mnuToolsPublish_Click() {
    OpenWithApplications<frmPublish>(*this, program_);
}

void frmMain::mnuToolsUnpublish_Click() {
    OpenWithApplications<frmUnPublish>(*this, program_);
}

void frmMain::mnuToolsOptions_Click() {
    OpenWithApplications<frmAppOptions>(*this, program_);
}

}  // namespace forms
