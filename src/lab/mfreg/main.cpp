// mfreg.exe: points the workstation's lab-farm setting at the farm that holds a server
// ("mfreg NAME"), or at no farm ("mfreg /uNAME"). Exit code 0 on success; 1 for an unknown
// server (the setting is cleared then), bad arguments, or a failure.
#include <windows.h>

#include <filesystem>

#include "farm/farm.h"
#include "lab/com/workstation.h"
#include "lab/lab.h"
#include "lab/mfreg/arguments.h"
#include "win/text.h"

namespace {

int Run(const mfreg::Request& request) {
    using Action = mfreg::Request::Action;
    if (request.action == Action::Invalid) {
        return 1;
    }
    if (request.action == Action::Disconnect) {
        labcom::WriteSetting(labcom::kFarmValue, "");
        return 0;
    }
    std::optional<std::string> farm;
    const std::filesystem::path root = labcom::StorePath();
    std::error_code error;
    if (std::filesystem::is_directory(root, error)) {
        lab::FarmStore store(root);
        farm = store.FarmOfServer(win::Narrow(request.server));
    }
    labcom::WriteSetting(labcom::kFarmValue, farm.value_or(""));
    return farm ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        return Run(mfreg::ParseCommandLine(GetCommandLineW()));
    } catch (...) {
        return 1;
    }
}
