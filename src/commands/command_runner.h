// Runs a command of the command line on the farm, with no window: the same operations the
// windows run, or with /whatif what they would change, read from the farm (for an import, the
// import preview). Names and files are checked before anything changes.
#pragma once

#include "commands/command_line.h"
#include "commands/command_report.h"
#include "farm/farm.h"
#include "journal/journal.h"
#include "shared/shared.h"

namespace commands {

// Runs every command but /check and /?. A command that changes the farm keeps a restore
// record in the journal, where there is one. Never throws: what could not start is the
// report's error, with exit code 2.
CommandReport RunCommand(const CommandLine& command, farm::ObjectFactory& factory,
                         const shared::Shared::FileSystemMaker& makeFileSystem,
                         journal::Journal* journal = nullptr);

// The name an operation's restore record and the Undo menu give it ("Publish").
std::string OperationName(CommandKind kind);

// The log file of a command: /log's, else for /export the farm file's name with ".log".
std::optional<std::string> LogFileOf(const CommandLine& command);

}  // namespace commands
