// zelttool.exe run with a command instead of its windows: the command line read, the command
// run on this workstation's farm, its report on standard output (text or JSON) and standard
// error, and its lines appended to the log with their times.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "shared/shared.h"

namespace app {

struct CommandOutput {
    int exitCode = 0;
    std::string standardOutput;
    std::string standardError;
};

// Whether the arguments ask for a command: the first starts with "/" (with none, or anything
// else, the windows start as they always have).
bool IsCommandLine(const std::vector<std::string>& arguments);

// Runs the command the arguments (UTF-8, without the program's name) give. COM is initialised
// by the caller.
CommandOutput RunCommandLine(const std::vector<std::string>& arguments,
                             farm::ObjectFactory& factory,
                             const shared::Shared::FileSystemMaker& makeFileSystem);

}  // namespace app
