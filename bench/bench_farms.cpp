#include "bench_farms.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "lab/accounts.h"
#include "lab/os_file.h"

namespace bench {

WorkFolderFileSystem::WorkFolderFileSystem(std::string folder)
    : folder_(std::move(folder)), real_(settings::CreateFileSystem()) {}
std::unique_ptr<settings::TextStream> WorkFolderFileSystem::CreateTextFile(const std::string& p) {
    return real_->CreateTextFile(p);
}
std::unique_ptr<settings::TextStream> WorkFolderFileSystem::OpenTextFile(const std::string& p) {
    return real_->OpenTextFile(p);
}
bool WorkFolderFileSystem::FolderExists(const std::string& p) {
    return real_->FolderExists(p);
}
void WorkFolderFileSystem::CreateFolder(const std::string& p) {
    real_->CreateFolder(p);
}
void WorkFolderFileSystem::DeleteFiles(const std::string& p, bool force) {
    real_->DeleteFiles(p, force);
}
void WorkFolderFileSystem::CopyFileOver(const std::string& s, const std::string& t) {
    real_->CopyFileOver(s, t);
}
void WorkFolderFileSystem::MoveFileOver(const std::string& s, const std::string& t) {
    real_->MoveFileOver(s, t);
}
std::vector<settings::FoundFile> WorkFolderFileSystem::FindFiles(const std::string& p) {
    return real_->FindFiles(p);
}
std::string WorkFolderFileSystem::GetTempFolder() {
    return folder_ + "/tmp";
}
std::string WorkFolderFileSystem::CurrentDirectory() {
    return folder_;
}

lab::FarmModel MakeFarm(const std::string& name, int applications) {
    lab::FarmModel model;
    model.name = name;
    model.zones.push_back({"Zone1", "BENCH-01"});
    for (int s = 1; s <= kServers; ++s) {
        char server[16];
        std::snprintf(server, sizeof server, "BENCH-%02d", s);
        model.servers.push_back({server, "Zone1", 5, 2});
    }
    const lab::FarmModel demo = lab::MakeDemoFarm();
    model.settings = demo.settings;
    for (int a = 0; a < kUsers; ++a) {
        model.accounts.push_back("BENCH\\user" + std::to_string(a));
    }
    for (int g = 0; g < kGroups; ++g) {
        model.accounts.push_back("BENCH\\group" + std::to_string(g));
    }
    model.folders = {"Applications", "Applications/Bench"};
    for (int i = 0; i < applications; ++i) {
        lab::AppRecord app;
        app.name = "App" + std::to_string(i);
        app.folder = i % 2 ? "Applications/Bench" : "Applications";
        app.description = "Benchmark application " + std::to_string(i);
        app.keys = demo.applications.front().keys;
        app.keys["DefaultInitProg"] = std::string("C:\\Apps\\app.exe /n=") + std::to_string(i);
        app.keys["PNAttributes"] = int32_t{0};
        for (const auto& server : model.servers) {
            app.servers.push_back(server.name);
        }
        for (int u = 0; u < kUsers; ++u) {
            app.users.push_back(
                {lab::kNtDomainAuthority, lab::kDomainUser, "BENCH", "user" + std::to_string(u)});
        }
        for (int g = 0; g < kGroups; ++g) {
            app.groups.push_back(
                {lab::kNtDomainAuthority, lab::kGlobalGroup, "BENCH", "group" + std::to_string(g)});
        }
        app.icon = lab::MakeIcon(static_cast<uint32_t>(i));
        model.applications.push_back(std::move(app));
    }
    return model;
}

lab::FarmModel EmptyCopy(const lab::FarmModel& model, const std::string& name) {
    lab::FarmModel empty = model;
    empty.name = name;
    empty.applications.clear();
    empty.folders = {"Applications"};
    return empty;
}

WorkFolder MakeWorkFolder(const std::filesystem::path& parent, const std::string& name) {
    WorkFolder work;
    work.root = parent / name;
    lab::os::RemoveTree(work.root);
    std::filesystem::create_directories(work.root / "tmp");
    work.folder = Utf8(work.root);
    work.store = std::make_shared<lab::FarmStore>(work.root / "store");
    work.store->SetDurable(false);
    work.makeFileSystem = [folder = work.folder] {
        return std::make_unique<WorkFolderFileSystem>(folder);
    };
    return work;
}

std::filesystem::path ParentFolder(int argc, char** argv) {
    return argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Note(shared::Shared& module, const shared::Outcome& outcome) {
    if (auto* quiet = dynamic_cast<QuietFeedback*>(&module.feedback)) {
        for (const shared::OutcomeMessage& message : shared::MessagesOf(outcome)) {
            quiet->messages.push_back(message.text);
        }
    }
}

void Check(const QuietFeedback& feedback, const char* what) {
    if (!feedback.messages.empty()) {
        std::fprintf(stderr, "%s failed:\n%s\n", what, feedback.messages.back().c_str());
        std::exit(1);
    }
}

}  // namespace bench
