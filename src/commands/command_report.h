// What a command did, as the command line reports it: one text line per change and per
// refusal (for /compare, per difference), a closing line, the exit code, and the whole of it
// as one JSON document.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "compare/comparison.h"
#include "shared/outcome.h"

namespace commands {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;  // the farm refused something, or a failure stopped the run
inline constexpr int kExitCouldNotRun = 2;  // a wrong command line, or the run could not start
inline constexpr int kExitDiffer = 1;       // /compare: the two sides differ

struct CommandReport {
    CommandKind kind = CommandKind::Usage;
    std::string title;  // what was run, for the log ("Publish 2 applications on S1")
    bool whatIf = false;
    std::optional<shared::Outcome> outcome;         // none when the run could not start
    std::optional<compare::Comparison> comparison;  // /compare's, instead of an outcome
    std::vector<std::string> notes;      // lines of their own (a notice, the file written)
    std::optional<std::string> error;    // why the run could not start
    std::optional<std::string> closing;  // the closing line, where it is not the count
    int exitCode = kExitDone;
};

// A report of a run that could not start.
CommandReport CouldNotRun(CommandKind kind, bool whatIf, std::string error);
// A report of a run, its exit code from its outcome: 1 when anything was lost or it failed.
CommandReport Ran(CommandKind kind, bool whatIf, shared::Outcome outcome);

// A report of a comparison: exit code 0 when nothing differs, else 1.
CommandReport Compared(std::string title, compare::Comparison comparison);

// One line for a change ("Published Applications/Word on S1"), and for a passed-over item.
std::string ChangeLine(const shared::Change& change);
std::string PassedOverLine(const shared::PassedOverItem& item);

// The report as text lines: each change (after "What if: " for a dry run), each item passed
// over that the farm is left without, the failure, the notes, and a closing line.
std::vector<std::string> ReportLines(const CommandReport& report);
// The lines that belong on standard error as well: refusals, the failure, the notes that warn.
std::vector<std::string> ErrorLines(const CommandReport& report);

// The whole report as one JSON document (UTF-8): command, whatIf, exitCode, changes,
// passedOver (each with "lost"), failure, notes and error. For /compare: command, exitCode,
// differences (kind, application, item, oldValue, newValue, text), count and error.
std::string ReportJson(const CommandReport& report);

// Text as a JSON string, quotes included.
std::string JsonString(std::string_view text);

}  // namespace commands
