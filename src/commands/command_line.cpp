#include "commands/command_line.h"

#include <array>

namespace commands {

namespace {

bool SameSwitch(std::string_view argument, std::string_view name) {
    if (argument.size() != name.size()) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        char c = argument[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != name[i]) {
            return false;
        }
    }
    return true;
}

// A switch starts with "/" and has no other slash: "/tmp/farm.ini" is a path.
bool IsSwitch(std::string_view argument) {
    return argument.starts_with("/") && argument.find_first_of("/\\", 1) == std::string_view::npos;
}

struct CommandRow {
    CommandKind kind;
    std::string_view name;
    size_t fewestOperands;
    size_t mostOperands;
    bool changes;
};

constexpr size_t kAny = static_cast<size_t>(-1);

constexpr std::array<CommandRow, 13> kCommands{{
    {CommandKind::Usage, "/?", 0, 0, false},
    {CommandKind::Check, "/check", 1, 1, false},
    {CommandKind::Export, "/export", 1, 1, false},
    {CommandKind::Compare, "/compare", 1, 2, false},
    {CommandKind::Import, "/import", 1, 1, true},
    {CommandKind::Offline, "/offline", 2, 2, true},
    {CommandKind::Online, "/online", 2, 2, true},
    {CommandKind::Clone, "/clone", 2, kAny, true},
    {CommandKind::Publish, "/publish", 0, 0, true},
    {CommandKind::Unpublish, "/unpublish", 0, 0, true},
    {CommandKind::Options, "/options", 0, 0, true},
    {CommandKind::Undo, "/undo", 0, 1, true},
    {CommandKind::Journal, "/journal", 0, 0, false},
}};

const CommandRow& RowOf(CommandKind kind) {
    for (const CommandRow& row : kCommands) {
        if (row.kind == kind) {
            return row;
        }
    }
    return kCommands[0];
}

std::string OperandText(const CommandRow& row) {
    switch (row.kind) {
        case CommandKind::Check:
            return "a report file";
        case CommandKind::Export:
        case CommandKind::Import:
            return "a farm file";
        case CommandKind::Compare:
            return "a farm file, or an old and a new farm file";
        case CommandKind::Offline:
        case CommandKind::Online:
            return "a server and a server file";
        case CommandKind::Clone:
            return "a source server and at least one destination server";
        case CommandKind::Undo:
            return "at most one record number";
        default:
            return "no names but those of its switches";
    }
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    std::pair<std::optional<CommandLine>, BadCommandLine> Parse() {
        for (const std::string& argument : arguments_) {
            if (SameSwitch(argument, "/json")) {
                bad_.json = true;
            }
        }
        if (arguments_.empty()) {
            return Fail("No command given.");
        }
        const CommandRow* row = nullptr;
        for (const CommandRow& candidate : kCommands) {
            if (SameSwitch(arguments_[0], candidate.name)) {
                row = &candidate;
            }
        }
        if (row == nullptr) {
            return Fail("There is no command " + arguments_[0] + ".");
        }
        command_.kind = row->kind;
        for (next_ = 1; next_ < arguments_.size();) {
            const std::string& argument = arguments_[next_++];
            if (!IsSwitch(argument)) {
                command_.operands.push_back(argument);
            } else if (!Switch(*row, argument)) {
                return {std::nullopt, bad_};
            }
        }
        const size_t given = command_.operands.size();
        if (given < row->fewestOperands || given > row->mostOperands) {
            return Fail(std::string(row->name) + " takes " + OperandText(*row) + ".");
        }
        const bool pairs = row->kind == CommandKind::Publish || row->kind == CommandKind::Unpublish;
        if ((pairs || row->kind == CommandKind::Options) && command_.apps.empty()) {
            return Fail(std::string(row->name) + " needs /apps with at least one application.");
        }
        if (pairs && command_.targets.empty()) {
            return Fail(std::string(row->name) + " needs /servers with at least one server.");
        }
        return {command_, bad_};
    }

  private:
    std::pair<std::optional<CommandLine>, BadCommandLine> Fail(std::string message) {
        bad_.message = std::move(message);
        return {std::nullopt, bad_};
    }

    bool Refuse(std::string message) {
        bad_.message = std::move(message);
        return false;
    }

    // The value after a switch; nothing (and the reason) when there is none.
    std::optional<std::string> Value(const std::string& name) {
        if (next_ >= arguments_.size() || IsSwitch(arguments_[next_])) {
            bad_.message = name + " needs a value.";
            return std::nullopt;
        }
        return arguments_[next_++];
    }

    // The names after /apps or /servers, up to the next switch.
    bool Names(const std::string& name, std::vector<std::string>& names) {
        const size_t before = names.size();
        while (next_ < arguments_.size() && !IsSwitch(arguments_[next_])) {
            names.push_back(arguments_[next_++]);
        }
        return names.size() > before || Refuse(name + " needs at least one name.");
    }

    bool Switch(const CommandRow& row, const std::string& argument) {
        const auto only = [&](bool allowed) {
            return allowed || Refuse(std::string(row.name) + " does not take " + argument + ".");
        };
        const bool pairs = row.kind == CommandKind::Publish || row.kind == CommandKind::Unpublish;
        const bool options = row.kind == CommandKind::Options;
        if (SameSwitch(argument, "/json")) {
            command_.json = true;
            return true;
        }
        if (SameSwitch(argument, "/whatif")) {
            command_.whatIf = true;
            return only(row.changes);
        }
        if (SameSwitch(argument, "/log")) {
            command_.logFile = Value(argument);
            return command_.logFile.has_value() && only(row.kind != CommandKind::Usage);
        }
        if (SameSwitch(argument, "/map")) {
            const std::optional<std::string> value = Value(argument);
            if (!value || !only(row.kind == CommandKind::Import)) {
                return false;
            }
            const size_t equals = value->find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == value->size()) {
                return Refuse("/map takes SERVER=TARGET, not " + *value + ".");
            }
            command_.servers.emplace_back(value->substr(0, equals), value->substr(equals + 1));
            return true;
        }
        if (SameSwitch(argument, "/leave")) {
            const std::optional<std::string> value = Value(argument);
            if (!value || !only(row.kind == CommandKind::Import)) {
                return false;
            }
            command_.servers.emplace_back(*value, std::nullopt);
            return true;
        }
        if (SameSwitch(argument, "/apps")) {
            return only(pairs || options) && Names(argument, command_.apps);
        }
        if (SameSwitch(argument, "/servers")) {
            return only(pairs) && Names(argument, command_.targets);
        }
        const std::pair<std::string_view, std::optional<std::string>*> optionSwitches[] = {
            {"/size", &command_.options.size},
            {"/colors", &command_.options.colors},
            {"/encryption", &command_.options.encryption},
            {"/audio", &command_.options.audio},
            {"/percent", &command_.options.percent},
            {"/height", &command_.options.height},
            {"/width", &command_.options.width},
        };
        for (const auto& [name, slot] : optionSwitches) {
            if (SameSwitch(argument, name)) {
                *slot = Value(argument);
                return slot->has_value() && only(options);
            }
        }
        return Refuse("There is no switch " + argument + ".");
    }

    const std::vector<std::string>& arguments_;
    size_t next_ = 1;
    CommandLine command_;
    BadCommandLine bad_;
};

}  // namespace

std::string_view SwitchOf(CommandKind kind) {
    return RowOf(kind).name;
}

std::pair<std::optional<CommandLine>, BadCommandLine> ParseCommandLine(
    const std::vector<std::string>& arguments) {
    return Parser(arguments).Parse();
}

std::string UsageText() {
    return "Usage: zelttool.exe COMMAND [/json] [/log LOG_FILE]\r\n"
           "\r\n"
           "  /check REPORT_FILE                  check the farm's object model; changes "
           "nothing\r\n"
           "  /export FARM_FILE                   export the farm's applications and icons\r\n"
           "  /compare FARM_FILE [NEW_FARM_FILE]  what differs between the file and the farm,\r\n"
           "                                      or between two farm files; changes nothing\r\n"
           "  /import FARM_FILE [/map SERVER=TARGET]... [/leave SERVER]...\r\n"
           "                                      import a farm file, its servers mapped\r\n"
           "  /offline SERVER SERVER_FILE         take a server offline\r\n"
           "  /online SERVER SERVER_FILE          bring a server online\r\n"
           "  /clone SOURCE DESTINATION...        publish a server's applications on others\r\n"
           "  /publish /apps APP... /servers SERVER...\r\n"
           "  /unpublish /apps APP... /servers SERVER...\r\n"
           "  /options /apps APP... [/size SIZE] [/colors COLORS] [/encryption ENCRYPTION]\r\n"
           "           [/audio AUDIO] [/percent N] [/height N] [/width N]\r\n"
           "  /undo [RECORD]                      put back what an operation changed (the last\r\n"
           "                                      one, or the record's)\r\n"
           "  /journal                            list the restore records\r\n"
           "\r\n"
           "  /whatif     after a command that changes the farm: say what it would change,\r\n"
           "              change nothing\r\n"
           "  /json       the whole outcome as one JSON document on standard output\r\n"
           "  /log FILE   append the outcome's lines to FILE, each with its time\r\n"
           "\r\n"
           "Applications are named as the Applications view lists them (Office\\Word) or by\r\n"
           "their distinguished name; @FILE after /apps or /servers reads one name per line.\r\n"
           "The options take the dialog's texts or the values they write (/size 800x600,\r\n"
           "/colors \"256 colors\", /encryption Basic, /audio \"Audio off\"); what is not given "
           "is\r\n"
           "the dialog's default.\r\n"
           "Exit code: 0 everything was done; 1 the farm refused something or a failure\r\n"
           "stopped the run; 2 the command line is wrong or the run could not start.\r\n"
           "/compare: 0 both sides are the same; 1 they differ; 2 a file cannot be read or\r\n"
           "the farm cannot be reached.\r\n";
}

}  // namespace commands
