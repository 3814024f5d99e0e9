// zelttool.exe /export FILE: the farm file and its icons as Export Farm writes them, with no
// window, for scheduled backups. What happened goes to the caller's messages and to a log
// beside the farm file (FILE.log, appended to).
#pragma once

#include <string>

#include "farm/farm.h"
#include "shared/shared.h"

namespace app {

inline constexpr int kExportDone = 0;
inline constexpr int kExportFailed = 1;

// Exports the farm of this workstation to `file` (UTF-8; a relative path is taken from the
// working directory, which also gets the icons folder, as Export Farm does). Returns the exit
// code; `messages` gets the lines written to the log.
int RunExportCommand(const std::string& file, farm::ObjectFactory& factory,
                     const shared::Shared::FileSystemMaker& makeFileSystem, std::string& messages);

// The log beside a farm file.
std::string LogFileOf(const std::string& farmFile);

}  // namespace app
