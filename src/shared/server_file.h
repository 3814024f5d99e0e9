// Taking a server offline (its applications unpublished and listed in a server file) and
// bringing one online (the applications of a server file published on it).
#pragma once

#include <string>

namespace shared {

class Shared;

void ExportServerApps(Shared& shared, const std::string& serverName, const std::string& fileName);
void ImportServerApps(Shared& shared, const std::string& serverName, const std::string& fileName);

}  // namespace shared
