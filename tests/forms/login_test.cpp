// The start of the program and the logon dialog: the About box first, the administrator
// check, the connection tool's two runs and what each answer leads to.
#include <fstream>

#include "forms_support.h"

namespace forms_test {
namespace {

const std::string kAdministratorMessage =
    std::string(80, ' ') + "\r     You must be a Citrix administrator.\r\r\r";

std::string UnexpectedError(int32_t number, const std::string& description) {
    return std::string(80, ' ') + "\rUnexpected error.\r\r\r     Error :" + std::to_string(number) +
           "\r\r     " + description + "\r";
}

using LoginTest = FormsTest;

TEST_F(LoginTest, AnAdministratorGoesFromTheAboutBoxStraightToTheFarmView) {
    bool farmCheckedBeforeAboutClosed = false;
    modal.script = [&](ui::Form&) {
        farmCheckedBeforeAboutClosed = Module().farmObject != nullptr;
    };
    Start(lab::kDemoFarm);

    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(modal.shown[0].form, &program->About());
    EXPECT_EQ(modal.shown[0].caption, "About ZeltTool");
    EXPECT_TRUE(modal.shown[0].ownerDisabled) << "the About box is modal over the logon dialog";
    EXPECT_FALSE(farmCheckedBeforeAboutClosed) << "the check runs after the About box closes";

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(Login().LoginSucceeded);
    EXPECT_FALSE(Login().IsLoaded());
    ASSERT_TRUE(Main().IsLoaded());
    EXPECT_TRUE(Main().IsVisible());
    EXPECT_EQ(Module().currentView, shared::kFarmView);
    EXPECT_EQ(Main().lstFarm.List(0), "Farm name\t: ZeltDemo");
    EXPECT_EQ(desktop.LoadedForms(), 1);
}

TEST_F(LoginTest, WithoutAnAdministratorTheMessageComesThenTheDialog) {
    struct Case {
        const char* name;
        std::optional<std::string> farm;
        const char* failingOperation;
    };
    const Case cases[] = {
        {"not an administrator", lab::kNoAdminFarm, nullptr},
        {"no farm reached", std::nullopt, nullptr},
        {"no farm interface", lab::kDemoFarm, "Factory.CreateFarm"},
        {"flag unreadable", lab::kDemoFarm, "WinFarm.IsCitrixAdministrator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        faults->Clear();
        if (c.failingOperation != nullptr) {
            faults->FailOperation(c.failingOperation, static_cast<int32_t>(0x800401F3),
                                  "Invalid class string");
        }
        boxes.shown.clear();
        modal.shown.clear();
        Start(c.farm);

        EXPECT_EQ(modal.shown.size(), 1u);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, kAdministratorMessage);
        EXPECT_EQ(boxes.shown[0].title, "Error");
        EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Critical);
        EXPECT_FALSE(Login().LoginSucceeded);
        EXPECT_TRUE(Login().IsVisible());
        EXPECT_FALSE(Main().IsLoaded());
        Login().Unload();
    }
}

TEST_F(LoginTest, ConnectWithAnEmptyNameDoesNothing) {
    Start(lab::kNoAdminFarm);
    boxes.shown.clear();
    Login().cmdPasstrough.Click();
    EXPECT_TRUE(tool.requests.empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(Login().IsVisible());
}

TEST_F(LoginTest, ConnectRunsTheToolTwiceInOrderThenOpensTheMainWindow) {
    Start(lab::kNoAdminFarm);
    boxes.shown.clear();
    std::vector<std::optional<std::string>> farmAfterEachRun;
    tool.onRun = [&, play = tool.onRun](const ui::LaunchRequest& request) {
        play(request);
        farmAfterEachRun.push_back(currentFarm);
        EXPECT_TRUE(desktop.IsBusy());
        EXPECT_FALSE(IsWindowEnabled(Login().Handle())) << "no second click while it waits";
    };
    Login().Server.SetText("ZD-CTX02");
    Login().cmdPasstrough.Click();

    const std::string toolPath = WorkFolder() + "\\mfreg.exe";
    ASSERT_EQ(tool.requests.size(), 2u);
    EXPECT_EQ(tool.requests[0].commandLine, toolPath + " /uZD-CTX02");
    EXPECT_EQ(tool.requests[1].commandLine, toolPath + " ZD-CTX02");
    EXPECT_EQ(tool.requests[0].program, toolPath);
    EXPECT_EQ(tool.requests[1].program, toolPath);
    EXPECT_EQ(tool.limits[0], forms::frmLogin::kToolTimeLimit);
    EXPECT_EQ(farmAfterEachRun,
              (std::vector<std::optional<std::string>>{std::nullopt, lab::kDemoFarm}));

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(Login().IsLoaded());
    ASSERT_TRUE(Main().IsLoaded());
    EXPECT_EQ(Main().lstFarm.List(0), "Farm name\t: ZeltDemo");
}

TEST_F(LoginTest, TheNameIsUsedAsTypedAndAFolderWithABlankIsQuoted) {
    TempFolder spaced("zelt forms spaced ");
    testing_support::ScopedWorkingDirectory inSpaced(spaced.Path());
    Start(lab::kNoAdminFarm);
    Login().Server.SetText(" ZN-CTX01 ");
    Login().cmdPasstrough.Click();

    const std::string toolPath = spaced.Utf8() + "\\mfreg.exe";
    ASSERT_EQ(tool.requests.size(), 2u);
    EXPECT_EQ(tool.requests[0].program, toolPath);
    EXPECT_EQ(tool.requests[0].commandLine, "\"" + toolPath + "\" /u ZN-CTX01 ");
    EXPECT_EQ(tool.requests[1].commandLine, "\"" + toolPath + "\"  ZN-CTX01 ");
}

TEST_F(LoginTest, ConnectToAFarmThatRefusesEndsTheProgramAfterTheMessage) {
    Start(lab::kNoAdminFarm);
    boxes.shown.clear();
    Login().Server.SetText("ZN-CTX01");
    Login().cmdPasstrough.Click();

    EXPECT_EQ(tool.requests.size(), 2u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, kAdministratorMessage);
    EXPECT_FALSE(Login().IsLoaded());
    EXPECT_FALSE(Main().IsLoaded());
    EXPECT_EQ(desktop.LoadedForms(), 0);
}

TEST_F(LoginTest, AFailedConnectShowsTheErrorAndKeepsTheDialog) {
    struct Case {
        const char* name;
        std::optional<base::Error> toolFailure;
        const char* server;
        size_t runs;
        std::string message;
    };
    const Case cases[] = {
        {"tool missing", base::Error(53, "File not found"), "ZD-CTX01", 1,
         UnexpectedError(53, "File not found")},
        {"unknown server, farm unreachable", std::nullopt, "NOSUCHSERVER", 2, ""},
    };
    Start(lab::kNoAdminFarm);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        tool.requests.clear();
        tool.failure = c.toolFailure;
        Login().Server.SetText(c.server);
        Login().cmdPasstrough.Click();

        EXPECT_EQ(tool.requests.size(), c.runs);
        ASSERT_EQ(boxes.shown.size(), 1u);
        if (!c.message.empty()) {
            EXPECT_EQ(boxes.shown[0].text, c.message);
        } else {
            EXPECT_TRUE(boxes.shown[0].text.find("\rUnexpected error.\r") != std::string::npos)
                << boxes.shown[0].text;
        }
        EXPECT_EQ(boxes.shown[0].title, "Error");
        EXPECT_TRUE(Login().IsVisible()) << "the dialog stays for another try";
        EXPECT_TRUE(IsWindowEnabled(Login().Handle()));
        EXPECT_FALSE(desktop.IsBusy());
        EXPECT_FALSE(Main().IsLoaded());
    }
    // And the next try can still succeed.
    tool.failure.reset();
    Login().Server.SetText("ZD-CTX01");
    Login().cmdPasstrough.Click();
    EXPECT_TRUE(Main().IsLoaded());
}

// The real launcher and a tool that takes its time: while the dialog waits for each run, the
// tool finds it answering, repainting, busy and disabled, and a second click on "&Passtrough"
// starts no further run.
TEST_F(LoginTest, TheDialogAnswersButTakesNoClickWhileTheToolRuns) {
    const fs::path slowTool = HelperProgram("slow_mfreg.exe");
    ASSERT_TRUE(fs::exists(slowTool)) << slowTool;
    fs::copy_file(slowTool, WorkPath() / "mfreg.exe");
    program = MakeProgram(realLauncher);
    Start(lab::kNoAdminFarm);
    boxes.shown.clear();
    currentFarm = lab::kDemoFarm;  // where the tool points the workstation
    Login().Server.SetText("ZD-CTX02");
    Login().cmdPasstrough.Click();

    std::ifstream log(WorkPath() / "slow-tool.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "start /uZD-CTX02", "seen /uZD-CTX02: answered repainted busy disabled",
                         "start ZD-CTX02", "seen ZD-CTX02: answered repainted busy disabled"}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(desktop.IsBusy());
    EXPECT_TRUE(Main().IsLoaded());
}

TEST_F(LoginTest, CancelAndEscEndTheProgramWithoutAMessage) {
    enum class Way { CancelButton, EscPressed, EscReleasedOnly };
    for (const Way way : {Way::CancelButton, Way::EscPressed, Way::EscReleasedOnly}) {
        SCOPED_TRACE(static_cast<int>(way));
        Start(lab::kNoAdminFarm);
        boxes.shown.clear();
        Login().Server.SetText("typed");
        if (way == Way::CancelButton) {
            Login().cmdCancel.Click();
        } else if (way == Way::EscPressed) {
            PressKey(desktop, Login().Server.Handle(), VK_ESCAPE);
        } else {
            // The key hook alone: the form sees the key before its text box.
            MSG up{Login().Server.Handle(), WM_KEYUP, VK_ESCAPE, 0, 0, {0, 0}};
            EXPECT_TRUE(desktop.PreTranslate(up));
        }
        EXPECT_FALSE(Login().IsLoaded());
        EXPECT_FALSE(Login().LoginSucceeded);
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_TRUE(tool.requests.empty());
        EXPECT_EQ(desktop.LoadedForms(), 0);
    }
}

TEST_F(LoginTest, EnterInTheServerBoxConnects) {
    Start(lab::kNoAdminFarm);
    Login().Server.SetText("ZD-CTX01");
    PressKey(desktop, Login().Server.Handle(), VK_RETURN);
    EXPECT_EQ(tool.requests.size(), 2u);
    EXPECT_TRUE(Main().IsLoaded());
}

TEST_F(LoginTest, AboutBoxShowsTitleVersionAndIcon) {
    modal.script = [&](ui::Form& form) {
        auto& about = static_cast<forms::frmAbout&>(form);
        EXPECT_EQ(about.lblTitle.Caption(), "Zelt Utility");
        EXPECT_EQ(about.lblVersion.Caption(), "Version 1.2.3");
        EXPECT_TRUE(about.IsVisible());
        about.cmdOK.Click();
        EXPECT_FALSE(about.IsLoaded());
    };
    Start(lab::kDemoFarm);
    ASSERT_EQ(modal.shown.size(), 1u);

    // From the Help menu: modal over the main window.
    modal.script = nullptr;
    Menu(Main().mnuHelpAbout);
    ASSERT_EQ(modal.shown.size(), 2u);
    EXPECT_EQ(modal.shown[1].caption, "About ZeltTool");
    EXPECT_TRUE(modal.shown[1].ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(Main().Handle())) << "the owner comes back";
}

}  // namespace
}  // namespace forms_test
