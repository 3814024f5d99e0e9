// Measures the import preview of a 10,000-application farm file against a farm of 10,000
// applications, beside the import of the same file into the same farm, both in-process on the
// lab farm. Half the file's applications replace one of the farm's (the root folder's), half
// are new. The aim: the preview costs at most what the import costs. Not a test: it prints.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_farms.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "preview/import_preview.h"
#include "settings/file_system.h"
#include "shared/farm_file.h"
#include "shared/shared.h"

namespace {

namespace fs = std::filesystem;
using bench::QuietFeedback;
using bench::Seconds;
using bench::WorkFolderFileSystem;

constexpr int kSizes[] = {1000, 10000};
constexpr int kRuns = 3;

// The farm the file goes into: as many applications, the root folder's of the same names
// (replaced by the import), the subfolder's named apart (kept).
lab::FarmModel TargetFarm(int size) {
    lab::FarmModel farm = bench::MakeFarm("PreviewTarget", size);
    for (lab::AppRecord& app : farm.applications) {
        if (app.folder != "Applications") {
            app.name = "Kept" + app.name;
        }
    }
    return farm;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::WorkFolder work =
        bench::MakeWorkFolder(bench::ParentFolder(argc, argv), "zelt-preview-bench");
    std::printf("work folder: %s\n\n", work.folder.c_str());
    const std::string& folder = work.folder;
    const shared::Shared::FileSystemMaker& makeFileSystem = work.makeFileSystem;
    const std::shared_ptr<lab::FarmStore>& store = work.store;
    std::printf("%6s %10s %10s %8s  %s\n", "apps", "preview s", "import s", "ratio",
                "preview: new / replacing");
    double ratio = 0;
    for (const int size : kSizes) {
        const lab::FarmModel source = bench::MakeFarm("PreviewSource", size);
        store->Write(source);
        const std::string file = folder + "/Farm_" + source.name;
        {
            lab::LabFactory factory(store, source.name);
            QuietFeedback feedback;
            shared::Shared module(factory, makeFileSystem, feedback);
            bench::Note(module, shared::ExportFarm(module, file));
            bench::Check(feedback, "export");
        }
        const lab::FarmModel target = TargetFarm(size);

        // Best of three each, as the machine may be busy with other work meanwhile.
        lab::LabFactory factory(store, target.name);
        preview::ImportPreview found;
        double previewSeconds = 0;
        double importSeconds = 0;
        for (int run = 0; run < kRuns; ++run) {
            store->Write(target);
            const double seconds =
                Seconds([&] { found = preview::PreviewImport(factory, makeFileSystem, file); });
            previewSeconds = run == 0 ? seconds : std::min(previewSeconds, seconds);
            if (found.stop || found.applications.size() != static_cast<size_t>(size) ||
                !(store->Read(target.name) == target)) {
                std::fprintf(stderr, "the preview found a stop or changed the farm\n");
                return 1;
            }

            QuietFeedback feedback;
            shared::Shared module(factory, makeFileSystem, feedback);
            const double imported =
                Seconds([&] { bench::Note(module, shared::ImportFarm(module, file)); });
            importSeconds = run == 0 ? imported : std::min(importSeconds, imported);
            bench::Check(feedback, "import");
        }
        int fresh = 0;
        int replacing = 0;
        for (const preview::ApplicationPreview& application : found.applications) {
            fresh += application.outcome == preview::Outcome::New ? 1 : 0;
            replacing += application.outcome == preview::Outcome::Replaces ? 1 : 0;
        }
        if (store->Read(target.name).applications.size() != static_cast<size_t>(size + fresh)) {
            std::fprintf(stderr, "the import did not do what the preview said\n");
            return 1;
        }
        ratio = previewSeconds / importSeconds;
        std::printf("%6d %10.3f %10.3f %8.2f  %d / %d\n", size, previewSeconds, importSeconds,
                    ratio, fresh, replacing);
        store->Remove(source.name);
        store->Remove(target.name);
    }
    std::printf("\ntarget: the preview at most the import's time at %d applications: %.2f, %s\n",
                std::end(kSizes)[-1], ratio, ratio <= 1.0 ? "met" : "MISSED");
    lab::os::RemoveTree(work.root);
    return 0;
}
