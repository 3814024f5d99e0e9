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

#include "bench_farms.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "settings/file_system.h"
#include "shared/farm_file.h"
#include "shared/feedback.h"
#include "shared/server_file.h"
#include "shared/shared.h"

namespace {

namespace fs = std::filesystem;
using bench::Check;
using bench::EmptyCopy;
using bench::MakeFarm;
using bench::QuietFeedback;
using bench::Seconds;
using bench::Utf8;
using bench::WorkFolderFileSystem;

struct Session {
    Session(std::shared_ptr<lab::FarmStore> store, const std::string& farmName,
            const std::string& folder)
        : factory(std::move(store), farmName),
          shared(
              factory, [folder] { return std::make_unique<WorkFolderFileSystem>(folder); },
              feedback) {}
    lab::LabFactory factory;
    QuietFeedback feedback;
    shared::Shared shared;
};

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / "zelt-bench";
    lab::os::RemoveTree(root);
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
    lab::os::RemoveTree(root);
    return 0;
}
