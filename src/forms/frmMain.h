// The main window: the farm in one of three views (farm summary, published applications,
// servers), the selection the Tools commands work on, and the status line and progress bar
// the file procedures drive (it is their Feedback). Unloading it ends the program.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/ui/common_dialog.h"
#include "forms/ui/controls.h"
#include "forms/ui/form.h"
#include "forms/ui/menu.h"
#include "shared/feedback.h"
#include "shared/outcome.h"

namespace forms {

class Program;

// How the main window lists an application: the distinguished name without its leading
// "Applications/", with "\" for "/" (Applications/Office/Word gives Office\Word). A name
// without that start is shown whole.
std::string DisplayPath(std::string_view distinguishedName);
// The way back: "Applications\" in front, then every "\" made "/".
std::string DistinguishedNameOf(std::string_view displayPath);

class frmMain : public ui::Form, public shared::Feedback {
  public:
    // Positions of the top-level menus.
    static constexpr int kFileMenu = 0;
    static constexpr int kEditMenu = 1;
    static constexpr int kViewMenu = 2;
    static constexpr int kToolsMenu = 3;
    static constexpr int kHelpMenu = 4;

    explicit frmMain(Program& program);

    ui::Label lblView;
    ui::Label lblInfo;
    ui::ListBox lstFarm;
    ui::ListBox lstApps;
    ui::ListBox lstServers;
    ui::Label lblStatus;
    ui::ProgressBar pbStatus;
    ui::Button cmdQuit;
    std::array<ui::EtchedLine, 2> Line1;  // each draws a grey line over a white one
    ui::CommonDialog ComDlg1;             // one object for the whole run

    // The menu and the command ids of its entries.
    ui::MenuBar menu;
    int mnuFileExit = 0;
    int mnuEditSelAll = 0;
    int mnuEditBar0 = 0;  // these two only when the program keeps a journal
    int mnuEditUndo = 0;
    int mnuViewFarm = 0;
    int mnuViewApps = 0;
    int mnuViewServers = 0;
    int mnuViewBar0 = 0;
    int mnuViewRefresh = 0;
    int mnuToolsPublish = 0;
    int mnuToolsUnpublish = 0;
    int mnuToolsOptions = 0;
    int mnuToolsClone = 0;
    int mnuToolsImport = 0;
    int mnuToolsImportPreview = 0;  // farm view only
    int mnuToolsExport = 0;
    int mnuToolsCompare = 0;  // farm view only
    int mnuHelpContent = 0;
    int mnuHelpBar0 = 0;
    int mnuHelpAbout = 0;
    int mnuHelpCheck = 0;  // only when the program can run the farm interface check

    // Handlers. The view fills and Refresh report nothing themselves: a failure propagates
    // (the menu command that ran them reports it).
    void mnuViewFarm_Click();
    void mnuViewApps_Click();
    void mnuViewServers_Click();
    void mnuViewRefresh_Click();
    void mnuEditSelAll_Click();
    // Puts back what the operation of the journal's last record changed, and says what it did.
    void mnuEditUndo_Click();
    // Names the last record's operation in the Edit menu ("&Undo Publish"), or disables it.
    void ShowUndoEntry();
    void mnuFileExit_Click();
    void cmdQuit_Click();
    void mnuToolsExport_Click();
    void mnuToolsImport_Click();
    // Asks for a farm file as Import does and shows what importing it would do.
    void mnuToolsImportPreview_Click();
    // Asks for a farm file as Import does and shows what differs between it and the farm.
    void mnuToolsCompare_Click();
    void mnuHelpCheck_Click();
    void mnuHelpContent_Click();
    void mnuHelpAbout_Click();
    // The dialogs of the Tools menu, opened modally with the selection.
    void mnuToolsClone_Click();
    void mnuToolsPublish_Click();
    void mnuToolsUnpublish_Click();
    void mnuToolsOptions_Click();

    // The selected server: the selected line of lstServers, looked for from the last line up.
    std::optional<std::string> SelectedServer() const;
    // The distinguished names of the selected lines of lstApps, last line first.
    std::vector<std::string> SelectedApplications() const;

    // Feedback for the procedures of Shared.
    float ProgressValue() override;
    void SetProgressValue(float value) override;
    void SetProgressVisible(bool visible) override;
    void SetStatusCaption(const std::string& caption) override;
    void SetStatusVisible(bool visible) override;
    void RepaintStatus() override;
    void RepaintMain() override;

    // Shows the messages that end an export or import of a farm or server file.
    void ShowOutcome(const shared::Outcome& outcome);

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    void BuildMenu();
    // Shows one list of the three, moving the focus along when it was on a list.
    void ShowList(ui::ListBox& shown);
    // Part of Export and Import: the file dialog, then the procedure. `save` picks the kind.
    void RunFileCommand(bool save);
    // The open dialog of Import Farm under another title; false when it was cancelled.
    bool ChooseFarmFile(const char* title);

    Program& program_;
};

}  // namespace forms
