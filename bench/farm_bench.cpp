// Measures the file procedures against in-process lab farms of growing size and prints a
// table: farm export and import at 100, 1,000 and 10,000 applications (10 servers, 5 users
// and 2 groups each, real icons), and taking a server of 10,000 applications offline and
// bringing it online again. Each figure is split into the time inside the farm's calls (the
// lab farm's work), the program's own work, and of that the file system's calls (the icon
// steps) and the farm file's lines. Not a test: it only prints.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iterator>
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
#include "timed_farm.h"

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
        : lab(std::move(store), farmName),
          factory(lab, farm),
          shared(
              factory,
              [this, folder] {
                  return std::make_unique<bench::TimedFileSystem>(
                      std::make_unique<WorkFolderFileSystem>(folder), files, lines);
              },
              feedback) {}
    lab::LabFactory lab;
    bench::Stopwatch farm;
    bench::Stopwatch files;
    bench::Stopwatch lines;
    bench::TimedFactory factory;
    QuietFeedback feedback;
    shared::Shared shared;
};

// One run of a procedure, split.
struct Figures {
    double total = 0;
    double farm = 0;
    double files = 0;
    double lines = 0;
    long long farmCalls = 0;
    double Own() const { return total - farm; }
};

template <class Procedure>
Figures Measure(Session& session, const char* what, Procedure procedure) {
    Figures figures;
    figures.total = Seconds(procedure);
    Check(session.feedback, what);
    figures.farm = session.farm.Seconds();
    figures.files = session.files.Seconds();
    figures.lines = session.lines.Seconds();
    figures.farmCalls = session.farm.calls;
    return figures;
}

constexpr const char* kFarmProcedures[2] = {"ExportFarm", "ImportFarm"};
constexpr double kOwnTargets[2] = {20000, 10000};  // applications per second
constexpr int kSizes[] = {100, 1000, 10000};

void PrintHeader() {
    std::printf("%-17s %6s %8s %9s %7s | %8s %8s %9s | %7s %7s %7s %7s\n", "operation", "apps",
                "seconds", "apps/s", "growth", "farm s", "own s", "own apps/s", "icons s",
                "lines s", "rest s", "calls");
}

void PrintRow(const char* name, int size, const Figures& f, double growth) {
    std::printf("%-17s %6d %8.3f %9.0f %7.2f | %8.3f %8.3f %9.0f | %7.3f %7.3f %7.3f %7lld\n", name,
                size, f.total, size / f.total, growth, f.farm, f.Own(), size / f.Own(), f.files,
                f.lines, f.Own() - f.files - f.lines, f.farmCalls / size);
}

}  // namespace

int main(int argc, char** argv) {
    // The work folder (icons, farm files, the lab's store) below the folder given, or the
    // system's temporary folder: on a disk the icon steps measure mostly the disk.
    const bench::WorkFolder work =
        bench::MakeWorkFolder(bench::ParentFolder(argc, argv), "zelt-bench");
    std::printf("work folder: %s\n\n", work.folder.c_str());
    const std::string& folder = work.folder;
    const std::shared_ptr<lab::FarmStore>& store = work.store;

    PrintHeader();
    double previous[2] = {0, 0};
    Figures largest[2];
    for (int size : kSizes) {
        const lab::FarmModel source = MakeFarm("Bench" + std::to_string(size), size);
        const std::string target = "Target" + std::to_string(size);
        store->Write(source);
        store->Write(EmptyCopy(source, target));
        const std::string file = folder + "/Farm_" + source.name;

        Session exporter(store, source.name, folder);
        const Figures exported = Measure(exporter, "export", [&] {
            bench::Note(exporter.shared, shared::ExportFarm(exporter.shared, file));
        });
        Session importer(store, target, folder);
        const Figures imported = Measure(importer, "import", [&] {
            bench::Note(importer.shared, shared::ImportFarm(importer.shared, file));
        });
        if (store->Read(target).applications.size() != static_cast<size_t>(size)) {
            std::fprintf(stderr, "import stored the wrong number of applications\n");
            return 1;
        }
        const Figures* figures[2] = {&exported, &imported};
        for (int i = 0; i < 2; ++i) {
            const double growth = previous[i] > 0 ? figures[i]->total / previous[i] : 0;
            PrintRow(kFarmProcedures[i], size, *figures[i], growth);
            previous[i] = figures[i]->total;
            largest[i] = *figures[i];
        }
        store->Remove(source.name);
        store->Remove(target);
    }

    // One server with 10,000 applications: take it offline, bring it online.
    const int size = 10000;
    lab::FarmModel farm = MakeFarm("BenchServer", size);
    store->Write(farm);
    const std::string file = folder + "/Server_BENCH-01";
    Session offline(store, farm.name, folder);
    const Figures exported = Measure(offline, "take offline", [&] {
        bench::Note(offline.shared, shared::ExportServerApps(offline.shared, "BENCH-01", file));
    });
    Session online(store, farm.name, folder);
    const Figures imported = Measure(online, "bring online", [&] {
        bench::Note(online.shared, shared::ImportServerApps(online.shared, "BENCH-01", file));
    });
    PrintRow("ExportServerApps", size, exported, 0);
    PrintRow("ImportServerApps", size, imported, 0);
    std::printf(
        "\nfarm s: inside the farm's calls; own s: the rest (icons s: file system calls,"
        " lines s: farm file lines, rest s: string handling and the loop); calls: farm"
        " calls per application\n");
    // The timing itself costs time, counted as the program's own; take it out of the verdict.
    const double perCall = bench::TimingCostPerCall();
    std::printf("timing cost: %.0f ns per farm call, counted in own s above\n", perCall * 1e9);
    const int largestSize = std::end(kSizes)[-1];
    for (int i = 0; i < 2; ++i) {
        const double own = largest[i].Own() - perCall * static_cast<double>(largest[i].farmCalls);
        const double rate = largestSize / own;
        std::printf(
            "target: %s own work at least %.0f applications/s at %d: %.0f "
            "(timing cost taken out), %s\n",
            kFarmProcedures[i], kOwnTargets[i], largestSize, rate,
            rate >= kOwnTargets[i] ? "met" : "MISSED");
    }
    lab::os::RemoveTree(work.root);
    return 0;
}
