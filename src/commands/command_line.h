// The program's commands without windows, as the command line gives them:
//   /check REPORT_FILE   /export FILE   /compare OLD_FILE [NEW_FILE]
//   /import FILE [/map SERVER=TARGET]... [/leave SERVER]...
//   /offline SERVER FILE   /online SERVER FILE   /clone SOURCE DEST...
//   /publish /apps NAME... /servers NAME...   /unpublish /apps NAME... /servers NAME...
//   /options /apps NAME... [/size S] [/colors C] [/encryption E] [/audio A] [/percent N]
//            [/height N] [/width N]
//   /undo [RECORD]   /journal
// each with /json and /log FILE, the changing ones with /whatif; /? prints the usage.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace commands {

enum class CommandKind {
    Usage,  // /?
    Check,
    Export,
    Compare,
    Import,
    Offline,
    Online,
    Clone,
    Publish,
    Unpublish,
    Options,
    Undo,     // /undo [RECORD]
    Journal,  // /journal: the restore records
};

// The session options as the command line gives them, as text; what is not given is the
// dialog's own default.
struct OptionTexts {
    std::optional<std::string> size, colors, encryption, audio, percent, height, width;
};

struct CommandLine {
    CommandKind kind = CommandKind::Usage;
    std::vector<std::string> operands;  // files and servers, in the order given
    // /map SERVER=TARGET (a target) and /leave SERVER (none), in the order given.
    std::vector<std::pair<std::string, std::optional<std::string>>> servers;
    std::vector<std::string> apps;     // /apps: names, or @FILE
    std::vector<std::string> targets;  // /servers: names, or @FILE
    OptionTexts options;
    bool whatIf = false;
    bool json = false;
    std::optional<std::string> logFile;
};

// The command's switch, as typed in the usage ("/publish").
std::string_view SwitchOf(CommandKind kind);

// A command line that cannot be run: what is wrong with it.
struct BadCommandLine {
    std::string message;
    bool json = false;  // /json was asked for: the error goes out as JSON
};

// Reads the arguments after the program's name. Switches are matched without regard to case.
std::pair<std::optional<CommandLine>, BadCommandLine> ParseCommandLine(
    const std::vector<std::string>& arguments);

// Every command and its switches, as /? prints it.
std::string UsageText();

}  // namespace commands
