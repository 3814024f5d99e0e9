// Farm export and import: the whole farm's settings and published applications, with their
// servers, users, groups and icons, to and from a farm file and the icons folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shared {

class Shared;

// Writes the farm file and the icons folder below the working directory. Reports its own
// failures with the unexpected-error message; drives the progress bar.
void ExportFarm(Shared& shared, const std::string& fileName);
// Applies a farm file to the farm. Reports its own failures; shows each application's name
// in the status line.
void ImportFarm(Shared& shared, const std::string& fileName);

// A setting of the Windows-farm or Windows-application view that the farm file carries, by
// the name the view answers to.
struct ViewSetting {
    std::string_view name;
    // The procedure goes on without it: the export leaves out a setting the farm cannot report,
    // the import passes over a refused one.
    bool optional = false;
};

// The settings ExportFarm reads and ImportFarm assigns, on each view.
std::vector<ViewSetting> FarmSettingsExported();
std::vector<ViewSetting> FarmSettingsImported();
std::vector<ViewSetting> ApplicationSettingsExported();
std::vector<ViewSetting> ApplicationSettingsImported();

}  // namespace shared
