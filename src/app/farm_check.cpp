#include "app/farm_check.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>

#include "farm/farm.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "win/text.h"

namespace app {

namespace {

using mfcom::Command;
using mfcom::Kind;

// `goesOn`: the command goes on where the farm does not have the setting.
void Add(std::vector<mfcom::SettingNeed>& needs, Kind view, std::string_view name, Command command,
         bool goesOn) {
    auto need = std::find_if(needs.begin(), needs.end(), [&](const mfcom::SettingNeed& n) {
        return n.view == view && n.name == name;
    });
    if (need == needs.end()) {
        need = needs.insert(needs.end(), mfcom::SettingNeed{view, std::string(name), {}, {}});
    }
    need->commands.push_back(command);
    if (goesOn) {
        need->goOnWithout.push_back(command);
    }
}

}  // namespace

std::vector<mfcom::SettingNeed> SettingNeeds() {
    std::vector<mfcom::SettingNeed> needs;
    for (const shared::ViewSetting& s : shared::FarmSettingsExported()) {
        Add(needs, Kind::WinFarm, s.name, Command::ExportFarm, s.optional);
    }
    for (const shared::ViewSetting& s : shared::FarmSettingsImported()) {
        Add(needs, Kind::WinFarm, s.name, Command::ImportFarm, s.optional);
    }
    for (const shared::ViewSetting& s : shared::ApplicationSettingsExported()) {
        Add(needs, Kind::WinApp, s.name, Command::ExportFarm, s.optional);
    }
    for (const shared::ViewSetting& s : shared::ApplicationSettingsImported()) {
        Add(needs, Kind::WinApp, s.name, Command::ImportFarm, s.optional);
    }
    for (std::string_view name : shared::ApplicationOptionSettings()) {
        Add(needs, Kind::WinApp, name, Command::Options, false);
    }
    return needs;
}

mfcom::CheckReport RunFarmCheck() {
    return mfcom::CheckFarmInterface(SettingNeeds());
}

}  // namespace app
