// Farm export and import: the whole farm's settings and published applications, with their
// servers, users, groups and icons, to and from a farm file and the icons folder.
#pragma once

#include <string>

namespace shared {

class Shared;

// Writes the farm file and the icons folder below the working directory. Reports its own
// failures with the unexpected-error message; drives the progress bar.
void ExportFarm(Shared& shared, const std::string& fileName);
// Applies a farm file to the farm. Reports its own failures; shows each application's name
// in the status line.
void ImportFarm(Shared& shared, const std::string& fileName);

}  // namespace shared
