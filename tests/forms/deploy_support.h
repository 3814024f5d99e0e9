// What the deployment dialog tests share: a program on a temp lab farm, message boxes and a
// modal runner that answer at once, and the user's clicks and keys.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "forms/frmMain.h"
#include "forms/program.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "support/recording_boxes.h"

namespace deploy_test {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

using Box = testing_support::ShownMessage;
using testing_support::RecordingBoxes;

// Runs the test's script on the shown form, then unloads it as Cancel would.
class ScriptedRunner : public ui::ModalRunner {
  public:
    void Run(ui::Form& form) override {
        ++runs;
        if (script) {
            script(form);
        }
        form.Unload();
    }
    std::function<void(ui::Form&)> script;
    int runs = 0;
};

inline constexpr const char* kFarm = "DeployForms";

// Servers listed out of order and in mixed case; every application key starts at -5.
inline lab::FarmModel MakeFarm() {
    lab::FarmModel model;
    model.name = kFarm;
    model.zones = {{"Main", "delta"}};
    for (const char* name : {"delta", "Bravo", "echo", "ALPHA", "charlie"}) {
        model.servers.push_back({name, "Main", 5, 2});
    }
    model.folders = {"Applications", "Applications/Office"};
    const std::vector<std::pair<std::string, Strings>> apps = {
        {"Calc", {"ALPHA"}}, {"Office/Word", {"ALPHA"}}, {"Office/Excel", {"Bravo"}},
        {"Notepad", {}},     {"Paint", {"delta"}},       {"Zip", {"ALPHA", "echo"}},
        {"Mail", {}},        {"Office/Access", {}}};
    for (const auto& [path, servers] : apps) {
        lab::AppRecord app;
        const auto slash = path.rfind('/');
        app.folder = slash == std::string::npos ? "Applications" : "Applications/Office";
        app.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        app.servers = servers;
        for (const char* key :
             {"DefaultWindowType", "DefaultWindowColor", "DefaultEncryption", "DefaultSoundType",
              "DefaultWindowScale", "DefaultWindowHeight", "DefaultWindowWidth"}) {
            app.keys[key] = -5;
        }
        model.applications.push_back(app);
    }
    return model;
}

class DeployFormsTest : public ::testing::Test {
  public:
    DeployFormsTest() {
        store->SetDurable(false);
        store->Write(MakeFarm());
        program = MakeProgram(factory_);
    }
    ~DeployFormsTest() override {
        program.reset();
        lab::os::RemoveTree(root_);
    }

    std::unique_ptr<forms::Program> MakeProgram(farm::ObjectFactory& factory,
                                                journal::Journal* journal = nullptr) {
        return std::make_unique<forms::Program>(
            forms::Services{desktop,
                            files_,
                            launcher_,
                            factory,
                            [] { return std::unique_ptr<settings::FileSystem>(); },
                            forms::AppInfo{},
                            {},
                            journal});
    }
    // The program again, keeping its restore records in `journal`.
    void KeepRecordsIn(journal::Journal& journal) {
        program.reset();
        program = MakeProgram(factory_, &journal);
    }
    const fs::path& StoreRoot() const { return root_; }
    Strings ServersOf(const std::string& dn) {
        for (const auto& app : store->Read(kFarm).applications) {
            if (app.DistinguishedName() == dn) {
                return app.servers;
            }
        }
        ADD_FAILURE() << "no application " << dn;
        return {};
    }
    // Shows the dialog modally and runs `script` while it is up.
    template <class Dialog>
    void Open(Dialog& dialog, const std::type_identity_t<std::function<void(Dialog&)>>& script) {
        runner.script = [&](ui::Form& form) { script(static_cast<Dialog&>(form)); };
        dialog.ShowModal(nullptr);
        runner.script = nullptr;
    }

  private:
    static fs::path NewFolder() {
        static std::atomic<int> serial{0};
        return fs::temp_directory_path() /
               ("zelt-deploy-forms-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                std::to_string(serial++));
    }
    fs::path root_ = NewFolder();

  public:
    std::shared_ptr<lab::FarmStore> store = std::make_shared<lab::FarmStore>(root_);
    std::shared_ptr<lab::FaultInjector> faults = std::make_shared<lab::FaultInjector>();
    RecordingBoxes boxes;
    ScriptedRunner runner;
    ui::Desktop desktop{boxes, runner};
    std::unique_ptr<forms::Program> program;

  private:
    lab::LabFactory factory_{store, kFarm, faults};
    ui::Win32FileDialogs files_;  // never shown by these tests
    ui::Win32ProcessLauncher launcher_;
};

inline Strings Lines(const ui::ListBox& list) {
    Strings lines;
    for (int16_t i = 0; i < list.ListCount(); ++i) {
        lines.push_back(list.List(i));
    }
    return lines;
}

// A mouse click on a line, with Ctrl or Shift held when `keys` says so (MK_CONTROL, MK_SHIFT).
inline void ClickLine(const ui::ListBox& list, int16_t index, WPARAM keys = 0) {
    RECT item{};
    SendMessageW(list.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM(item.left + 2, (item.top + item.bottom) / 2);
    SendMessageW(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    SendMessageW(list.Handle(), WM_LBUTTONUP, keys, at);
}

}  // namespace deploy_test
