// A process that changes one farm of a lab store through the farm interface and reports each
// change on standard output once its save has returned, then checks that it reads back:
//   store_worker STORE_FOLDER FARM TAG CHANGES SETTING BUSY_APPLICATION
// The changes are those of store_changes.h; a report is the change's serial number on a line
// of its own. Exit code 3: a saved change does not read back; 2: wrong arguments.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lab/lab.h"
#include "store_changes.h"

namespace {

void Report(int serial) {
    const std::string line = std::to_string(serial) + "\n";
    if (::write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        std::exit(4);
    }
}

[[noreturn]] void NotReadBack(const std::string& what) {
    std::fprintf(stderr, "store_worker: %s does not read back\n", what.c_str());
    std::exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    using store_test::ChangeKind;
    if (argc != 7) {
        std::fprintf(stderr, "usage: store_worker STORE_FOLDER FARM TAG CHANGES SETTING BUSY\n");
        return 2;
    }
    const std::string tag = argv[3];
    const int changes = std::atoi(argv[4]);
    const std::string setting = argv[5];
    const std::string busy = argv[6];
    auto store = std::make_shared<lab::FarmStore>(argv[1]);
    store->SetDurable(false);  // a killed process loses nothing either way
    lab::LabFactory factory(store, std::string(argv[2]));
    auto farm = factory.CreateFarm();
    farm->Initialize(farm::kWinFarmObject);
    const auto settings = farm->WinFarmObject();

    for (int serial = 0; serial < changes; ++serial) {
        if (store_test::KindOf(serial) == ChangeKind::kSetSetting) {
            settings->Put(setting, serial);
            Report(serial);
            if (settings->Get(setting) != farm::Value(serial)) {
                NotReadBack(setting);
            }
            continue;
        }
        std::unique_ptr<farm::Application> app;
        std::string name;
        if (store_test::KindOf(serial) == ChangeKind::kAddApplication) {
            name = store_test::AddedNameOf(tag, serial);
            app = farm->AddApplication(farm::kWinAppObject);
            app->WinAppObject()->Put("AppName", name);
        } else {
            name = busy;
            app = factory.CreateApplication();
            app->Initialize(farm::kWinAppObject, "Applications/" + name);
            app->LoadData(true);
        }
        const std::string description = store_test::DescriptionOf(tag, serial);
        app->WinAppObject()->Put("Description", description);
        app->SaveData();
        Report(serial);
        auto again = factory.CreateApplication();
        again->Initialize(farm::kWinAppObject, "Applications/" + name);
        again->LoadData(true);
        if (again->Description() != description) {
            NotReadBack(name);
        }
    }
    return 0;
}
