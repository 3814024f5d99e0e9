// Times the applications view of the main window filled with 32,767 applications (the most
// a list box holds) from the in-process lab farm, and splits the time into reading the farm
// and adding the lines. Not a test: it only prints. Runs under a display (xvfb-run).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench_farms.h"
#include "farm/farm.h"
#include "forms/frmLogin.h"
#include "forms/frmMain.h"
#include "forms/program.h"
#include "forms/ui/desktop.h"
#include "forms/ui/seams.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "settings/file_system.h"

namespace {

namespace fs = std::filesystem;

constexpr int kApplications = 32767;
constexpr double kTargetSeconds = 1.0;

class CountingBoxes : public ui::MessageBoxes {
  public:
    void Show(HWND, const std::string& text, const std::string&, shared::MessageIcon) override {
        ++shown;
        last = text;
    }
    int shown = 0;
    std::string last;
};

class UnloadingModal : public ui::ModalRunner {
  public:
    void Run(ui::Form& form) override { form.Unload(); }
};

class CancelledDialogs : public ui::FileDialogs {
  public:
    std::optional<std::string> Show(const ui::FileDialogRequest&) override { return std::nullopt; }
};

class NoLauncher : public ui::ProcessLauncher {
  public:
    void Run(const ui::LaunchRequest&, std::chrono::milliseconds) override {}
};

}  // namespace

int main(int argc, char** argv) {
    // An optional count of applications, for looking at how the time grows.
    const int count = argc > 1 ? std::atoi(argv[1]) : kApplications;
    const fs::path root = fs::temp_directory_path() / "zelt-view-bench";
    lab::os::RemoveTree(root);
    fs::create_directories(root / "tmp");
    const std::string folder = bench::Utf8(root);
    auto store = std::make_shared<lab::FarmStore>(root / "store");
    store->SetDurable(false);
    const std::string farmName = "ViewBench";
    const double made = bench::Seconds([&] { store->Write(bench::MakeFarm(farmName, count)); });
    std::fprintf(stderr, "farm made and stored in %.1f s\n", made);

    lab::LabFactory factory(store, farmName);
    CountingBoxes boxes;
    UnloadingModal modal;
    CancelledDialogs dialogs;
    NoLauncher launcher;
    ui::Desktop desktop(boxes, modal);
    forms::AppInfo app;
    app.folder = folder;
    app.version = {1, 0, 0};
    auto program = std::make_unique<forms::Program>(forms::Services{
        desktop, dialogs, launcher, factory,
        [folder] { return std::make_unique<bench::WorkFolderFileSystem>(folder); }, app});
    const double opened = bench::Seconds([&] { program->Login().Show(); });
    std::fprintf(stderr, "main window opened in %.1f s\n", opened);
    forms::frmMain& main = program->Main();
    if (!main.IsLoaded() || boxes.shown != 0) {
        std::fprintf(stderr, "the main window did not open: %s\n", boxes.last.c_str());
        return 1;
    }
    desktop.DoEvents();

    const double click = bench::Seconds([&] { main.mnuViewApps_Click(); });
    std::fprintf(stderr, "mnuViewApps_Click took %.3f s\n", click);
    const double paint = bench::Seconds([&] { desktop.DoEvents(); });
    const int lines = main.lstApps.ListCount();

    // The two halves of the fill on their own: the farm read, then the lines added to the
    // same (visible) list, once painting each line (the first 1,000 only) and once with the
    // painting held as the view does.
    std::vector<std::string> names;
    const double read = bench::Seconds([&] {
        shared::Shared& module = program->Shared();
        for (auto& application : module.OpenFarm().Applications()->Items()) {
            names.push_back(forms::DisplayPath(application->DistinguishedName()));
        }
    });
    const size_t painted = std::min<size_t>(names.size(), 1000);
    main.lstApps.Clear();
    desktop.DoEvents();
    const double addPainting = bench::Seconds([&] {
        for (size_t i = 0; i < painted; ++i) {
            main.lstApps.AddItem(names[i]);
        }
    });
    main.lstApps.Clear();
    desktop.DoEvents();
    const double add = bench::Seconds([&] {
        ui::ListBox::PaintHold hold(main.lstApps);
        for (const std::string& name : names) {
            main.lstApps.AddItem(name);
        }
    });
    desktop.DoEvents();

    std::printf("%-34s %10s\n", "applications view", "seconds");
    std::printf("%-34s %10.3f\n", "mnuViewApps_Click", click);
    std::printf("%-34s %10.3f\n", "  then first repaint (DoEvents)", paint);
    std::printf("%-34s %10.3f\n", "  farm read alone", read);
    std::printf("%-34s %10.3f\n", "  AddItem of every line, held", add);
    std::printf("  AddItem of the first %zu lines, painting each: %.3f s\n", painted, addPainting);
    std::printf("%-34s %10d\n", "lines shown", lines);
    std::printf("\ntarget: mnuViewApps_Click under %.1f s with %d applications: %s\n",
                kTargetSeconds, count, click < kTargetSeconds && lines == count ? "met" : "MISSED");

    program.reset();
    desktop.DoEvents();
    lab::os::RemoveTree(root);
    return lines == count ? 0 : 1;
}
