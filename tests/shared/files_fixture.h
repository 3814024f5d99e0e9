// What the file procedure tests share: a real file system with the test's own working and
// temporary folders that counts its streams and fails a chosen operation, a lab farm store in
// a temporary folder, a small farm, and sessions of the program on one farm each.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/error.h"
#include "lab/keys.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "settings/file_system.h"
#include "shared/shared.h"
#include "support/folder_files.h"
#include "support/recording_feedback.h"
#include "support/utf8_paths.h"

namespace files_test {

namespace fs = std::filesystem;

using testing_support::Utf8;

// Every file-system call (stream calls included) counts; call number failAt fails.
struct FsLog {
    int64_t calls = 0;
    int64_t failAt = 0;
    int opened = 0;
    int closed = 0;
    void Step() {
        if (++calls == failAt) {
            throw base::Error(base::kErrDiskFull, "injected file fault");
        }
    }
};

class LoggedStream : public settings::TextStream {
  public:
    LoggedStream(std::unique_ptr<settings::TextStream> inner, FsLog& log)
        : inner_(std::move(inner)), log_(log) {
        ++log_.opened;
    }
    void WriteLine(std::string_view text) override { log_.Step(), inner_->WriteLine(text); }
    void WriteLine() override { log_.Step(), inner_->WriteLine(); }
    std::string ReadLine() override { return log_.Step(), inner_->ReadLine(); }
    bool AtEndOfStream() override { return log_.Step(), inner_->AtEndOfStream(); }
    void Close() override {
        log_.Step();
        inner_->Close();
        log_.closed += closed_ ? 0 : 1;
        closed_ = true;
    }

  private:
    std::unique_ptr<settings::TextStream> inner_;
    FsLog& log_;
    bool closed_ = false;
};

class TestFileSystem : public settings::FileSystem {
  public:
    TestFileSystem(const fs::path& root, FsLog& log) : root_(root), log_(log) {}
    std::unique_ptr<settings::TextStream> CreateTextFile(const std::string& path) override {
        log_.Step();
        return std::make_unique<LoggedStream>(real_->CreateTextFile(path), log_);
    }
    std::unique_ptr<settings::TextStream> OpenTextFile(const std::string& path) override {
        log_.Step();
        return std::make_unique<LoggedStream>(real_->OpenTextFile(path), log_);
    }
    bool FolderExists(const std::string& p) override { return log_.Step(), real_->FolderExists(p); }
    void CreateFolder(const std::string& p) override { log_.Step(), real_->CreateFolder(p); }
    void DeleteFiles(const std::string& p, bool force) override {
        log_.Step(), real_->DeleteFiles(p, force);
    }
    void CopyFileOver(const std::string& s, const std::string& t) override {
        log_.Step(), real_->CopyFileOver(s, t);
    }
    void MoveFileOver(const std::string& s, const std::string& t) override {
        log_.Step(), real_->MoveFileOver(s, t);
    }
    std::vector<settings::FoundFile> FindFiles(const std::string& p) override {
        return log_.Step(), real_->FindFiles(p);
    }
    std::string GetTempFolder() override { return log_.Step(), Utf8(root_ / "tmp"); }
    std::string CurrentDirectory() override { return log_.Step(), Utf8(root_ / "work"); }

  private:
    fs::path root_;
    FsLog& log_;
    std::unique_ptr<settings::FileSystem> real_ = settings::CreateFileSystem();
};

// The program on one farm of the store: its factory, main window and module Shared.
struct Session {
    Session(std::shared_ptr<lab::FarmStore> store, const std::string& farmName,
            std::shared_ptr<lab::FaultInjector> faults, const fs::path& root, FsLog& log)
        : factory(std::move(store), farmName, std::move(faults)),
          shared(
              factory, [root, &log] { return std::make_unique<TestFileSystem>(root, log); },
              feedback) {}
    lab::LabFactory factory;
    testing_support::RecordingFeedback feedback;
    shared::Shared shared;
};

inline lab::AppRecord App(std::string folder, std::string name, uint32_t seed) {
    lab::AppRecord app;
    app.name = std::move(name);
    app.folder = std::move(folder);
    app.description = "About " + app.name;
    app.keys = {{"DefaultInitProg", std::string("run.exe /mode=fast")},
                {"DefaultWorkDir", std::string("C:\\Work")},
                {"InstanceLimit", -1},
                {"DefaultWindowWidth", 800},
                {"PNFolder", std::string("Tools")},
                {"HideDisabledApp", 1},
                {"CPUPriority", 2}};
    app.icon = lab::MakeIcon(seed);
    return app;
}

// Four applications: two named Word in different folders, a published desktop, and one
// whose name is a device name.
inline lab::FarmModel SmallFarm(const std::string& name = "FileLab") {
    lab::FarmModel model;
    model.name = name;
    model.zones = {{"Main", "S1"}};
    model.servers = {{"S1", "Main", 5, 2}, {"S2", "Main", 5, 0}, {"S3", "Main", 5, 2}};
    model.folders = {"Applications", "Applications/Office"};
    model.accounts = {"LAB\\ann", "LAB\\staff"};
    int32_t number = 0;
    for (const lab::FarmSettingKey& key : lab::FarmSettingKeys()) {
        model.settings[key.name] = key.kind == lab::KeyKind::kText
                                       ? farm::Value(std::string("text") + key.name)
                                       : farm::Value(++number);
    }
    model.settings["ICAVideoBufferSize"] = 1536;
    model.applications = {App("Applications/Office", "Word", 1), App("Applications", "Word", 2),
                          App("Applications", "Desktop", 3), App("Applications", "CON", 4)};
    model.applications[0].servers = {"S1", "S2"};
    model.applications[0].users = {{1, 2, "LAB", "ann"}};     // a domain user of an NT domain
    model.applications[0].groups = {{1, 2, "LAB", "staff"}};  // a global group
    model.applications[1].servers = {"S1"};
    model.applications[2].keys["PNAttributes"] = 9;
    return model;
}

class FilesTest : public ::testing::Test {
  protected:
    FilesTest() {
        static std::atomic<int> serial{0};
        root_ = fs::temp_directory_path() /
                ("zelt-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + std::to_string(serial++) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        lab::os::RemoveTree(root_);
        for (const char* dir : {"work", "tmp", "store"}) {
            fs::create_directories(root_ / dir);
        }
        store_ = std::make_shared<lab::FarmStore>(root_ / "store");
        store_->SetDurable(false);
    }
    ~FilesTest() override {
        store_.reset();  // its files must be closed before they can be removed
        lab::os::RemoveTree(root_);
    }

    std::unique_ptr<Session> Open(const std::string& farmName) {
        return std::make_unique<Session>(store_, farmName, faults_, root_, log_);
    }
    std::string PathOf(const std::string& name) const { return Utf8(root_ / "work" / name); }
    std::string Read(const std::string& name) const {
        std::ifstream in(root_ / "work" / name, std::ios::binary);
        if (!in) {
            return "<none>";
        }
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(root_ / "work" / name, std::ios::binary) << text;
    }
    // Every file below the working folder, by its path there ("icons/Word.ico"), with its bytes.
    std::map<std::string, std::string> WorkFiles() const {
        return testing_support::FilesBelow(root_ / "work");
    }

    fs::path root_;
    FsLog log_;
    std::shared_ptr<lab::FarmStore> store_;
    std::shared_ptr<lab::FaultInjector> faults_ = std::make_shared<lab::FaultInjector>();
};

// Lines of a CR LF text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

}  // namespace files_test
