// Taking a server offline (its applications unpublished and listed in a server file) and
// bringing one online (the applications of a server file published on it).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shared/outcome.h"

namespace shared {

class Shared;

// Changes: each application unpublished from the server (after its line is written).
[[nodiscard]] Outcome ExportServerApps(Shared& shared, const std::string& serverName,
                                       const std::string& fileName);
// The application a line of a server file names, if it names one (DistinguishedName=...):
// the lines Bring online publishes.
std::optional<std::string> ApplicationOfLine(std::string_view line);

// Changes: each application published on the server. Passed over: each binding whose save the
// farm refused, with the file's line.
[[nodiscard]] Outcome ImportServerApps(Shared& shared, const std::string& serverName,
                                       const std::string& fileName);

}  // namespace shared
