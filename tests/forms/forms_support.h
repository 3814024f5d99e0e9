// What the tests of the logon dialog, the About box and the main window share: a program on
// a temporary lab farm store with the demo farms, and doubles for message boxes, file
// dialogs, the connection tool and modal showing that answer at once and record what they
// were asked.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "farm/farm.h"
#include "forms/frmAbout.h"
#include "forms/frmLogin.h"
#include "forms/frmMain.h"
#include "forms/program.h"
#include "forms/ui/desktop.h"
#include "forms/ui/form.h"
#include "forms/ui/seams.h"
#include "forms/ui/text.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "settings/file_system.h"
#include "support/recording_boxes.h"
#include "support/scoped_working_directory.h"
#include "win/text.h"

namespace forms_test {

namespace fs = std::filesystem;

using ShownBox = testing_support::ShownMessage;
using testing_support::RecordingBoxes;

// Records each modal showing (the form, its caption, whether its owner was disabled), runs
// the test's script on it, then unloads it if the script did not.
class RecordingModal : public ui::ModalRunner {
  public:
    struct Shown {
        ui::Form* form;
        std::string caption;
        bool ownerDisabled;
    };
    void Run(ui::Form& form) override {
        HWND owner = GetWindow(form.Handle(), GW_OWNER);
        shown.push_back({&form, form.Caption(), owner != nullptr && !IsWindowEnabled(owner)});
        if (script) {
            script(form);
        }
        form.Unload();
    }
    std::vector<Shown> shown;
    std::function<void(ui::Form&)> script;
};

// Answers each showing with the next planned answer; with none planned it accepts the name
// shown (a bare name in the initial folder). An answer of nullopt is a cancel.
class ScriptedFileDialogs : public ui::FileDialogs {
  public:
    std::optional<std::string> Show(const ui::FileDialogRequest& request) override {
        requests.push_back(request);
        if (failure) {
            throw *failure;
        }
        if (!answers.empty()) {
            std::optional<std::string> answer = answers.front();
            answers.pop_front();
            return answer;
        }
        // A full path (what the dialog last held) stays; a bare name goes in the folder.
        if (request.fileName.find(':') != std::string::npos) {
            return request.fileName;
        }
        return forms::InFolder(request.initialFolder, request.fileName);
    }
    std::vector<ui::FileDialogRequest> requests;
    std::deque<std::optional<std::string>> answers;
    std::optional<base::Error> failure;
};

// Records the command lines and plays the connection tool: "/uNAME" clears the
// workstation's farm, "NAME" points it at the farm that holds server NAME.
class FakeConnectionTool : public ui::ProcessLauncher {
  public:
    void Run(const ui::LaunchRequest& request, std::chrono::milliseconds limit) override {
        requests.push_back(request);
        limits.push_back(limit);
        if (failure) {
            throw *failure;
        }
        if (onRun) {
            onRun(request);
        }
    }
    std::vector<ui::LaunchRequest> requests;
    std::vector<std::chrono::milliseconds> limits;
    std::optional<base::Error> failure;
    std::function<void(const ui::LaunchRequest&)> onRun;
};

// A fresh folder below the temporary folder, removed with the object.
class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix) {
        static std::atomic<int> serial{0};
        path_ = fs::temp_directory_path() /
                (prefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++));
        fs::create_directories(path_);
    }
    ~TempFolder() { lab::os::RemoveTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return path_; }
    std::string Utf8() const { return win::Narrow(path_.wstring()); }

  private:
    fs::path path_;
};

// A built helper program beside the test program.
inline fs::path HelperProgram(const char* name) {
    return fs::path(win::Widen(forms::ProgramPath())).parent_path() / name;
}

inline std::vector<std::string> Lines(const ui::ListBox& list) {
    std::vector<std::string> lines;
    for (int16_t i = 0; i < list.ListCount(); ++i) {
        lines.push_back(list.List(i));
    }
    return lines;
}

inline std::vector<int16_t> SelectedLines(const ui::ListBox& list) {
    std::vector<int16_t> selected;
    for (int16_t i = 0; i < list.ListCount(); ++i) {
        if (list.Selected(i)) {
            selected.push_back(i);
        }
    }
    return selected;
}

// A key pressed and released in a window, through the forms' keyboard handling.
inline void PressKey(ui::Desktop& desktop, HWND target, WPARAM key) {
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        if (!IsWindow(target)) {
            return;
        }
        MSG msg{target, message, key, 0, 0, {0, 0}};
        if (!desktop.PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// A program on a temporary store holding the demo farms. The workstation's farm (what a
// new farm object answers for) is `currentFarm`; the connection tool double moves it.
class FormsTest : public ::testing::Test {
  public:
    FormsTest()
        : storeFolder_("zelt-forms-store-"),
          workFolder_("zelt-forms-work-"),
          programFolder_("zelt-forms-program-"),
          workingDirectory_(workFolder_.Path()) {
        store = std::make_shared<lab::FarmStore>(storeFolder_.Path());
        store->SetDurable(false);
        lab::InstallDemoFarms(*store);
        faults = std::make_shared<lab::FaultInjector>();
        factory = std::make_unique<lab::LabFactory>(
            store, [this] { return currentFarm; }, faults);
        tool.onRun = [this](const ui::LaunchRequest& request) { PlayConnectionTool(request); };
        program = MakeProgram(tool);
    }
    // A program that starts programs through `launcher`.
    std::unique_ptr<forms::Program> MakeProgram(ui::ProcessLauncher& launcher) {
        forms::AppInfo app;
        app.folder = programFolder_.Utf8();
        app.version = {1, 2, 3};
        return std::make_unique<forms::Program>(
            forms::Services{desktop, dialogs, launcher, *factory,
                            [] { return settings::CreateFileSystem(); }, app});
    }
    ~FormsTest() override {
        program.reset();
        desktop.DoEvents();
    }

    forms::frmLogin& Login() { return program->Login(); }
    forms::frmMain& Main() { return program->Main(); }
    shared::Shared& Module() { return program->Shared(); }
    std::string ProgramFolder() const { return programFolder_.Utf8(); }
    std::string WorkFolder() const { return workFolder_.Utf8(); }
    const fs::path& WorkPath() const { return workFolder_.Path(); }

    // Starts the program as WinMain does, on the workstation's farm `farm`.
    void Start(std::optional<std::string> farm) {
        currentFarm = std::move(farm);
        Login().Show();
    }
    // Starts on the demo farm, straight into the main window, and forgets the start's boxes.
    void StartOnDemoFarm() {
        Start(lab::kDemoFarm);
        ASSERT_TRUE(Main().IsLoaded());
        boxes.shown.clear();
        modal.shown.clear();
    }
    // Runs a menu entry of the main window as a click on it does.
    void Menu(int id) { Main().Command(id, 0); }

    std::shared_ptr<lab::FarmStore> store;
    std::shared_ptr<lab::FaultInjector> faults;
    std::unique_ptr<lab::LabFactory> factory;
    std::optional<std::string> currentFarm;
    RecordingBoxes boxes;
    RecordingModal modal;
    ScriptedFileDialogs dialogs;
    FakeConnectionTool tool;
    ui::Win32ProcessLauncher realLauncher;  // for the tests that start a real tool
    ui::Desktop desktop{boxes, modal};
    std::unique_ptr<forms::Program> program;

  private:
    void PlayConnectionTool(const ui::LaunchRequest& request) {
        const std::string& line = request.commandLine;
        const size_t at = line.rfind("mfreg.exe");
        std::string argument = at == std::string::npos ? "" : line.substr(at + 9);
        if (argument.starts_with("\"")) {
            argument.erase(0, 1);
        }
        if (argument.starts_with(" ")) {
            argument.erase(0, 1);
        }
        if (argument.rfind("/u", 0) == 0) {
            currentFarm.reset();
        } else {
            currentFarm = store->FarmOfServer(argument);
        }
    }

    TempFolder storeFolder_;
    TempFolder workFolder_;
    TempFolder programFolder_;
    testing_support::ScopedWorkingDirectory workingDirectory_;
};

}  // namespace forms_test
