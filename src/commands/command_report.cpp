#include "commands/command_report.h"

#include <cstdio>
#include <utility>

namespace commands {

namespace {

const char* KindName(shared::ChangeKind kind) {
    switch (kind) {
        case shared::ChangeKind::FarmSetting:
            return "farmSetting";
        case shared::ChangeKind::ApplicationSetting:
            return "applicationSetting";
        case shared::ChangeKind::ApplicationStored:
            return "applicationStored";
        case shared::ChangeKind::ApplicationWritten:
            return "applicationWritten";
        case shared::ChangeKind::BindingAdded:
            return "bindingAdded";
        case shared::ChangeKind::BindingRemoved:
            return "bindingRemoved";
        case shared::ChangeKind::ApplicationRemoved:
            return "applicationRemoved";
    }
    return "";
}

const char* WhereName(shared::PassedOver where) {
    switch (where) {
        case shared::PassedOver::FarmSetting:
            return "farmSetting";
        case shared::PassedOver::ApplicationSetting:
            return "applicationSetting";
        case shared::PassedOver::Folder:
            return "folder";
        case shared::PassedOver::FolderExisted:
            return "folderExisted";
        case shared::PassedOver::Namesake:
            return "namesake";
        case shared::PassedOver::NoNamesake:
            return "noNamesake";
        case shared::PassedOver::NotRead:
            return "notRead";
        case shared::PassedOver::ServerLeftOut:
            return "serverLeftOut";
        case shared::PassedOver::ServerMerged:
            return "serverMerged";
        case shared::PassedOver::Commit:
            return "commit";
        case shared::PassedOver::ChangedSince:
            return "changedSince";
        case shared::PassedOver::FolderKept:
            return "folderKept";
    }
    return "";
}

const char* DifferenceName(compare::DifferenceKind kind) {
    switch (kind) {
        case compare::DifferenceKind::OnlyInOld:
            return "onlyInOld";
        case compare::DifferenceKind::OnlyInNew:
            return "onlyInNew";
        case compare::DifferenceKind::Setting:
            return "setting";
        case compare::DifferenceKind::ServerBound:
            return "serverBound";
        case compare::DifferenceKind::ServerUnbound:
            return "serverUnbound";
        case compare::DifferenceKind::UserAdded:
            return "userAdded";
        case compare::DifferenceKind::UserRemoved:
            return "userRemoved";
        case compare::DifferenceKind::GroupAdded:
            return "groupAdded";
        case compare::DifferenceKind::GroupRemoved:
            return "groupRemoved";
        case compare::DifferenceKind::IconDiffers:
            return "iconDiffers";
    }
    return "";
}

std::string ErrorText(const shared::ErrorInfo& error) {
    return "error " + std::to_string(error.number) + ": " + error.description;
}

std::string LineText(int64_t number, const std::string& line) {
    return "line " + std::to_string(number) + " (" + line + ")";
}

std::string Count(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

size_t LostCount(const shared::Outcome& outcome) {
    size_t lost = 0;
    for (const shared::PassedOverItem& item : outcome.passedOver) {
        lost += shared::Lost(item) ? 1 : 0;
    }
    return lost;
}

std::string ClosingLine(const CommandReport& report) {
    if (report.comparison) {
        const size_t count = report.comparison->differences.size();
        return count == 0 ? "No differences." : Count(count, "difference", "differences") + ".";
    }
    if (report.closing) {
        return *report.closing;
    }
    if (!report.outcome) {
        return "Not run: " + report.error.value_or("");
    }
    const shared::Outcome& outcome = *report.outcome;
    const std::string changes = Count(outcome.changes.size(), "change", "changes");
    if (outcome.failure) {
        return "Stopped after " + changes + ".";
    }
    if (report.whatIf) {
        return "What if: " + changes + "; nothing was changed.";
    }
    const size_t lost =
        outcome.operation == shared::Operation::ExportFarm ? 0 : LostCount(outcome);
    return lost == 0 ? "Done: " + changes + "."
                     : "Done: " + changes + ", " + Count(lost, "refusal", "refusals") + ".";
}

class Json {
  public:
    Json& Key(std::string_view key) {
        Separate();
        text_ += JsonString(key) + ":";
        fresh_ = true;
        return *this;
    }
    Json& Value(std::string_view value) { return Raw(JsonString(value)); }
    Json& Value(const std::string& value) { return Value(std::string_view(value)); }
    Json& Value(const char* value) { return Value(std::string_view(value)); }
    Json& Value(const std::optional<std::string>& value) {
        return value ? Value(*value) : Raw("null");
    }
    Json& Number(int64_t value) { return Raw(std::to_string(value)); }
    Json& Bool(bool value) { return Raw(value ? "true" : "false"); }
    Json& Open(char bracket) {
        Separate();
        text_ += bracket;
        fresh_ = true;
        return *this;
    }
    Json& Close(char bracket) {
        text_ += bracket;
        fresh_ = false;
        return *this;
    }
    std::string Text() const { return text_; }

  private:
    Json& Raw(std::string_view value) {
        Separate();
        text_ += value;
        fresh_ = false;
        return *this;
    }
    void Separate() {
        if (!fresh_) {
            text_ += ',';
        }
        fresh_ = true;
    }

    std::string text_;
    bool fresh_ = true;
};

std::optional<std::string> NonEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

std::string ComparisonJson(const CommandReport& report) {
    Json json;
    json.Open('{');
    json.Key("command").Value(SwitchOf(report.kind).substr(1));
    json.Key("exitCode").Number(report.exitCode);
    json.Key("differences").Open('[');
    size_t count = 0;
    if (report.comparison) {
        const std::vector<std::string> lines = compare::DifferenceLines(*report.comparison);
        for (const compare::Difference& difference : report.comparison->differences) {
            json.Open('{');
            json.Key("kind").Value(DifferenceName(difference.kind));
            json.Key("application").Value(NonEmpty(difference.application));
            json.Key("item").Value(NonEmpty(difference.item));
            json.Key("oldValue").Value(difference.oldValue);
            json.Key("newValue").Value(difference.newValue);
            json.Key("text").Value(lines[count++]);
            json.Close('}');
        }
    }
    json.Close(']');
    json.Key("count").Number(static_cast<int64_t>(count));
    json.Key("error").Value(report.error);
    json.Key("summary").Value(ClosingLine(report));
    json.Close('}');
    return json.Text();
}

}  // namespace

CommandReport CouldNotRun(CommandKind kind, bool whatIf, std::string error) {
    CommandReport report;
    report.kind = kind;
    report.whatIf = whatIf;
    report.error = std::move(error);
    report.exitCode = kExitCouldNotRun;
    return report;
}

CommandReport Ran(CommandKind kind, bool whatIf, shared::Outcome outcome) {
    CommandReport report;
    report.kind = kind;
    report.whatIf = whatIf;
    // An export changes nothing: what it leaves out of the file is a notice, not a refusal.
    const bool refused = outcome.operation != shared::Operation::ExportFarm &&
                         LostCount(outcome) > 0;
    report.exitCode = outcome.failure || refused ? kExitRefused : kExitDone;
    report.outcome = std::move(outcome);
    return report;
}

CommandReport Compared(std::string title, compare::Comparison comparison) {
    CommandReport report;
    report.kind = CommandKind::Compare;
    report.title = std::move(title);
    report.exitCode = comparison.differences.empty() ? kExitDone : kExitDiffer;
    report.comparison = std::move(comparison);
    return report;
}

std::string ChangeLine(const shared::Change& change) {
    const std::string& app = change.application;
    switch (change.kind) {
        case shared::ChangeKind::FarmSetting:
            return "Set farm setting " + change.setting + " to " + change.newValue.value_or("");
        case shared::ChangeKind::ApplicationSetting:
            return "Set " + change.setting + " of " + app + " to " + change.newValue.value_or("") +
                   (change.oldValue ? " (now " + *change.oldValue + ")" : "");
        case shared::ChangeKind::ApplicationStored:
            return "Stored " + app;
        case shared::ChangeKind::ApplicationWritten:
            return "Wrote " + app;
        case shared::ChangeKind::BindingAdded:
            return "Published " + app + " on " + change.server;
        case shared::ChangeKind::BindingRemoved:
            return "Unpublished " + app + " from " + change.server;
        case shared::ChangeKind::ApplicationRemoved:
            return "Removed " + app;
    }
    return {};
}

std::string PassedOverLine(const shared::PassedOverItem& item) {
    std::string subject;
    if (item.lineNumber > 0) {
        subject = LineText(item.lineNumber, item.line);
    } else if (!item.application.empty()) {
        subject = item.application + (item.server.empty() ? "" : " on " + item.server);
    } else if (!item.setting.empty()) {
        subject = item.setting;
    }
    return "Passed over " + subject + ": " + ErrorText(item.reason);
}

std::vector<std::string> ReportLines(const CommandReport& report) {
    std::vector<std::string> lines;
    if (report.comparison) {
        lines = compare::DifferenceLines(*report.comparison);
    }
    if (report.outcome) {
        for (const shared::Change& change : report.outcome->changes) {
            lines.push_back((report.whatIf ? "What if: " : "") + ChangeLine(change));
        }
    }
    const std::vector<std::string> errors = ErrorLines(report);
    lines.insert(lines.end(), errors.begin(), errors.end());
    lines.push_back(ClosingLine(report));
    return lines;
}

std::vector<std::string> ErrorLines(const CommandReport& report) {
    std::vector<std::string> lines;
    if (report.outcome) {
        const shared::Outcome& outcome = *report.outcome;
        for (const shared::PassedOverItem& item : outcome.passedOver) {
            // An export names the settings it left out in its notice.
            if (shared::Lost(item) && outcome.operation != shared::Operation::ExportFarm) {
                lines.push_back((report.whatIf ? "What if: " : "") + PassedOverLine(item));
            }
        }
        if (outcome.failure) {
            const shared::Failure& failure = *outcome.failure;
            lines.push_back("Failed" +
                            (failure.lineNumber > 0
                                 ? " at " + LineText(failure.lineNumber, failure.line)
                                 : std::string()) +
                            ": " + ErrorText(failure.error));
        }
    }
    lines.insert(lines.end(), report.notes.begin(), report.notes.end());
    return lines;
}

std::string ReportJson(const CommandReport& report) {
    if (report.kind == CommandKind::Compare) {
        return ComparisonJson(report);
    }
    Json json;
    json.Open('{');
    json.Key("command").Value(SwitchOf(report.kind).substr(1));
    json.Key("whatIf").Bool(report.whatIf);
    json.Key("exitCode").Number(report.exitCode);
    json.Key("changes").Open('[');
    if (report.outcome) {
        for (const shared::Change& change : report.outcome->changes) {
            json.Open('{');
            json.Key("kind").Value(KindName(change.kind));
            json.Key("application").Value(NonEmpty(change.application));
            json.Key("server").Value(NonEmpty(change.server));
            json.Key("setting").Value(NonEmpty(change.setting));
            json.Key("oldValue").Value(change.oldValue);
            json.Key("newValue").Value(change.newValue);
            json.Key("text").Value(ChangeLine(change));
            json.Close('}');
        }
    }
    json.Close(']');
    json.Key("passedOver").Open('[');
    if (report.outcome) {
        for (const shared::PassedOverItem& item : report.outcome->passedOver) {
            json.Open('{');
            json.Key("where").Value(WhereName(item.where));
            json.Key("lost").Bool(shared::Lost(item));
            json.Key("number").Number(item.reason.number);
            json.Key("description").Value(item.reason.description);
            json.Key("lineNumber").Number(item.lineNumber);
            json.Key("line").Value(item.lineNumber > 0 ? std::optional(item.line) : std::nullopt);
            json.Key("application").Value(NonEmpty(item.application));
            json.Key("server").Value(NonEmpty(item.server));
            json.Key("setting").Value(NonEmpty(item.setting));
            json.Key("text").Value(PassedOverLine(item));
            json.Close('}');
        }
    }
    json.Close(']');
    json.Key("failure");
    if (report.outcome && report.outcome->failure) {
        const shared::Failure& failure = *report.outcome->failure;
        json.Open('{');
        json.Key("number").Number(failure.error.number);
        json.Key("description").Value(failure.error.description);
        json.Key("lineNumber").Number(failure.lineNumber);
        json.Key("line").Value(failure.lineNumber > 0 ? std::optional(failure.line) : std::nullopt);
        json.Close('}');
    } else {
        json.Value(std::nullopt);
    }
    json.Key("notes").Open('[');
    for (const std::string& note : report.notes) {
        json.Value(note);
    }
    json.Close(']');
    json.Key("error").Value(report.error);
    json.Key("summary").Value(ClosingLine(report));
    json.Close('}');
    return json.Text();
}

std::string JsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    quoted += escaped;
                } else {
                    quoted += c;  // UTF-8 passes as it is
                }
        }
    }
    return quoted + "\"";
}

}  // namespace commands
