// Compares a farm of 10,000 applications with its own export, in-process on the lab farm:
// the export alone, then the comparison (which exports the farm again into a scratch folder
// and reads both files and every icon). The aim: the comparison's own work, beyond the export
// it runs, takes at most the export's time. Not a test: it prints.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_farms.h"
#include "compare/comparison.h"
#include "compare/farm_model.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "shared/farm_file.h"
#include "shared/shared.h"

namespace {

namespace fs = std::filesystem;
using bench::QuietFeedback;
using bench::Seconds;
using bench::WorkFolderFileSystem;

constexpr int kSize = 10000;
constexpr int kRuns = 3;

}  // namespace

int main(int argc, char** argv) {
    const bench::WorkFolder work =
        bench::MakeWorkFolder(bench::ParentFolder(argc, argv), "zelt-compare-bench");
    std::printf("work folder: %s\n\n", work.folder.c_str());
    const std::string& folder = work.folder;
    const shared::Shared::FileSystemMaker& makeFileSystem = work.makeFileSystem;
    const std::shared_ptr<lab::FarmStore>& store = work.store;
    const lab::FarmModel farm = bench::MakeFarm("CompareSource", kSize);
    store->Write(farm);
    lab::LabFactory factory(store, farm.name);
    const std::string file = folder + "/Farm_" + farm.name;

    // Best of three each, as the machine may be busy with other work meanwhile.
    double exportSeconds = 0;
    double compareSeconds = 0;
    double filesSeconds = 0;
    for (int run = 0; run < kRuns; ++run) {
        QuietFeedback feedback;
        shared::Shared module(factory, makeFileSystem, feedback);
        const double exported =
            Seconds([&] { bench::Note(module, shared::ExportFarm(module, file)); });
        bench::Check(feedback, "export");

        compare::Comparison found;
        const double compared =
            Seconds([&] { found = compare::CompareWithFarm(factory, makeFileSystem, file); });
        if (!found.differences.empty()) {
            std::fprintf(stderr, "the farm differs from its own export: %s\n",
                         compare::DifferenceLines(found).front().c_str());
            return 1;
        }
        WorkFolderFileSystem files(folder);
        const double filesOnly =
            Seconds([&] { found = compare::CompareFarmFiles(files, file, file); });
        exportSeconds = run == 0 ? exported : std::min(exportSeconds, exported);
        compareSeconds = run == 0 ? compared : std::min(compareSeconds, compared);
        filesSeconds = run == 0 ? filesOnly : std::min(filesSeconds, filesOnly);
    }
    const double own = compareSeconds - exportSeconds;
    std::printf("%6s %10s %10s %10s %12s\n", "apps", "export s", "compare s", "own s",
                "two files s");
    std::printf("%6d %10.3f %10.3f %10.3f %12.3f\n", kSize, exportSeconds, compareSeconds, own,
                filesSeconds);
    std::printf(
        "\ncompare s: CompareWithFarm, its own export included; own s: compare s less the"
        " export's; two files s: CompareFarmFiles of the file with itself (both read, every"
        " icon read twice)\n");
    std::printf("target: the comparison's own work at most the export's time at %d: %.2f, %s\n",
                kSize, own / exportSeconds, own <= exportSeconds ? "met" : "MISSED");
    lab::os::RemoveTree(work.root);
    return 0;
}
