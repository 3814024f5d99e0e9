// Measures the file procedures against in-process lab farms of growing size and prints a
// table: farm export and import at 100, 1,000 and 10,000 applications (10 servers, 5 users
// and 2 groups each, real icons), and taking a server of 10,000 applications offline and
// bringing it online again. Not a test: it only prints.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lab/lab.h"
#include "settings/file_system.h"
#include "shared/farm_file.h"
#include "shared/feedback.h"
#include "shared/server_file.h"
#include "shared/shared.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The real file system, working in the benchmark's own folder.
class WorkFolderFileSystem : public settings::FileSystem {
public:
    explicit WorkFolderFileSystem(std::string folder)
        : folder_(std::move(folder)), real_(settings::CreateFileSystem()) {}
    std::unique_ptr<settings::TextStream> CreateTextFile(const std::string& p) override {
        return real_->CreateTextFile(p);
    }
    std::unique_ptr<settings::TextStream> OpenTextFile(const std::string& p) override {
        return real_->OpenTextFile(p);
    }
    bool FolderExists(const std::string& p) override { return real_->FolderExists(p); }
    void CreateFolder(const std::string& p) override { real_->CreateFolder(p); }
    bool FileExists(const std::string& p) override { return real_->FileExists(p); }
    void DeleteFile(const std::string& p, bool force) override { real_->DeleteFile(p, force); }
    void CopyFile(const std::string& s, const std::string& t) override { real_->CopyFile(s, t); }
    std::string GetTempFolder() override { return folder_ + "/tmp"; }
    std::string CurrentDirectory() override { return folder_; }

private:
    std::string folder_;
    std::unique_ptr<settings::FileSystem> real_;
};

// Feedback that only keeps the progress value and counts messages.
class QuietFeedback : public shared::Feedback {
public:
    float ProgressValue() override { return progress; }
    void SetProgressValue(float value) override { progress = value; }
    void SetProgressVisible(bool) override {}
    void SetStatusCaption(const std::string&) override {}
    void SetStatusVisible(bool) override {}
    void RepaintStatus() override {}
    void RepaintMain() override {}
    void ShowMessage(const std::string& text, const std::string&, shared::MessageIcon) override {
        ++messages;
        lastMessage = text;
    }
    float progress = 0;
    int messages = 0;
    std::string lastMessage;
};

constexpr int kServers = 10;

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
    for (int a = 0; a < 5; ++a) {
        model.accounts.push_back("BENCH\\user" + std::to_string(a));
    }
    model.accounts.push_back("BENCH\\group0");
    model.accounts.push_back("BENCH\\group1");
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
        for (int u = 0; u < 5; ++u) {
            app.users.push_back({1, 1, "BENCH", "user" + std::to_string(u)});
        }
        for (int g = 0; g < 2; ++g) {
            app.groups.push_back({1, 2, "BENCH", "group" + std::to_string(g)});
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

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Session {
    Session(std::shared_ptr<lab::FarmStore> store, const std::string& farmName,
            const std::string& folder)
        : factory(std::move(store), farmName),
          shared(factory,
                 [folder] { return std::make_unique<WorkFolderFileSystem>(folder); },
                 feedback) {}
    lab::LabFactory factory;
    QuietFeedback feedback;
    shared::Shared shared;
};

void Check(const QuietFeedback& feedback, const char* what) {
    if (feedback.messages != 0) {
        std::fprintf(stderr, "%s failed:\n%s\n", what, feedback.lastMessage.c_str());
        std::exit(1);
    }
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / "zelt-bench";
    fs::remove_all(root);
    fs::create_directories(root / "tmp");
    const std::string folder = Utf8(root);
    auto store = std::make_shared<lab::FarmStore>(root / "store");
    store->SetDurable(false);

    std::printf("%-28s %8s %10s %14s %8s\n", "operation", "apps", "seconds", "apps/second",
                "growth");
    double previous[2] = {0, 0};
    for (int size : {100, 1000, 10000}) {
        const lab::FarmModel source = MakeFarm("Bench" + std::to_string(size), size);
        store->Write(source);
        store->Write(EmptyCopy(source, "Target" + std::to_string(size)));
        const std::string file = folder + "/Farm_" + source.name;

        Session exporter(store, source.name, folder);
        const double exportSeconds = Seconds([&] { shared::ExportFarm(exporter.shared, file); });
        Check(exporter.feedback, "export");
        Session importer(store, "Target" + std::to_string(size), folder);
        const double importSeconds = Seconds([&] { shared::ImportFarm(importer.shared, file); });
        Check(importer.feedback, "import");
        if (store->Read("Target" + std::to_string(size)).applications.size() !=
            static_cast<size_t>(size)) {
            std::fprintf(stderr, "import stored the wrong number of applications\n");
            return 1;
        }
        const double seconds[2] = {exportSeconds, importSeconds};
        const char* names[2] = {"ExportFarm", "ImportFarm"};
        for (int i = 0; i < 2; ++i) {
            const double growth = previous[i] > 0 ? seconds[i] / previous[i] : 0;
            std::printf("%-28s %8d %10.3f %14.0f %8.2f\n", names[i], size, seconds[i],
                        size / seconds[i], growth);
            previous[i] = seconds[i];
        }
        store->Remove(source.name);
        store->Remove("Target" + std::to_string(size));
    }

    // One server with 10,000 applications: take it offline, bring it online.
    const int size = 10000;
    lab::FarmModel farm = MakeFarm("BenchServer", size);
    store->Write(farm);
    Session session(store, farm.name, folder);
    const std::string file = folder + "/Server_BENCH-01";
    const double offline =
        Seconds([&] { shared::ExportServerApps(session.shared, "BENCH-01", file); });
    Check(session.feedback, "take offline");
    const double online =
        Seconds([&] { shared::ImportServerApps(session.shared, "BENCH-01", file); });
    Check(session.feedback, "bring online");
    std::printf("%-28s %8d %10.3f %14.0f\n", "ExportServerApps", size, offline, size / offline);
    std::printf("%-28s %8d %10.3f %14.0f\n", "ImportServerApps", size, online, size / online);
    fs::remove_all(root);
    return 0;
}
