#include "app/command_line_run.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/farm_check.h"
#include "app/user_journal.h"
#include "base/utf8_path.h"
#include "commands/command_line.h"
#include "commands/command_report.h"
#include "commands/command_runner.h"
#include "win/text.h"

namespace app {

namespace {

std::string Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// Appends the lines, each after the time; false when the log cannot be written.
bool AppendToLog(const std::string& file, const std::vector<std::string>& lines) {
    std::ofstream log(base::PathOf(file), std::ios::binary | std::ios::app);
    const std::string now = Now();
    for (const std::string& line : lines) {
        log << now << " " << line << "\r\n";
    }
    return static_cast<bool>(log.flush());
}

void Log(const std::optional<std::string>& file, std::vector<std::string> lines,
         CommandOutput& output) {
    if (file && !AppendToLog(*file, lines)) {
        output.standardError += "The log could not be written to " + *file + "\r\n";
    }
}

// /check: the report in its file; the verdicts as lines.
CommandOutput RunCheck(const commands::CommandLine& command) {
    CommandOutput output;
    const std::string reportFile = command.operands[0];
    mfcom::CheckReport report;
    std::vector<std::string> lines{"Farm interface check to " + reportFile};
    std::vector<std::string> notReady;
    std::optional<std::string> error;
    try {
        report = RunFarmCheck();
        std::ofstream file(base::PathOf(reportFile), std::ios::binary | std::ios::trunc);
        file << report.Text();
        file.close();
        if (!file) {
            error = "The report could not be written to " + reportFile;
        }
    } catch (const farm::FarmError& e) {
        error = "The farm interface check could not run: " + e.description() + " (" +
                std::to_string(e.number()) + ")";
    } catch (const std::exception& e) {
        error = std::string("The farm interface check could not run: ") + e.what();
    }
    std::string verdicts;  // as JSON
    if (error) {
        output.exitCode = kCheckCouldNotRun;
        notReady.push_back(*error);
        lines.push_back(*error);
    } else {
        for (const mfcom::Verdict& verdict : report.verdicts) {
            const bool ready = verdict.readiness == mfcom::Readiness::Ready;
            const std::string line = std::string(mfcom::CommandName(verdict.command)) + ": " +
                                     (ready ? "ready"
                                      : verdict.readiness == mfcom::Readiness::WillFail
                                          ? "will fail: " + verdict.reason
                                          : "not verified: " + verdict.reason);
            verdicts += std::string(verdicts.empty() ? "" : ",") + "{\"command\":" +
                        commands::JsonString(mfcom::CommandName(verdict.command)) +
                        ",\"ready\":" + (ready ? "true" : "false") +
                        ",\"text\":" + commands::JsonString(line) + "}";
            lines.push_back(line);
            if (!ready) {
                notReady.push_back(line);
            }
        }
        const std::string closing = report.AllReady()
                                        ? "Every command is ready."
                                        : "Not every command is ready; see " + reportFile;
        notReady.push_back(closing);
        lines.push_back(closing);
        output.exitCode = report.AllReady() ? kCheckAllReady : kCheckNotReady;
    }
    output.standardError = Lines(notReady);
    output.standardOutput =
        command.json ? "{\"command\":\"check\",\"exitCode\":" + std::to_string(output.exitCode) +
                           ",\"verdicts\":[" + verdicts + "],\"error\":" +
                           (error ? commands::JsonString(*error) : std::string("null")) + "}\r\n"
                     : Lines(std::vector<std::string>(lines.begin() + 1, lines.end()));
    Log(command.logFile, lines, output);
    return output;
}

}  // namespace

bool IsCommandLine(const std::vector<std::string>& arguments) {
    return !arguments.empty() && arguments[0].starts_with("/");
}

CommandOutput RunCommandLine(const std::vector<std::string>& arguments,
                             farm::ObjectFactory& factory,
                             const shared::Shared::FileSystemMaker& makeFileSystem) {
    CommandOutput output;
    const auto [command, bad] = commands::ParseCommandLine(arguments);
    if (!command) {
        output.exitCode = commands::kExitCouldNotRun;
        output.standardError = bad.message + "\r\nzelttool.exe /? lists the commands.\r\n";
        if (bad.json) {
            output.standardOutput =
                "{\"exitCode\":2,\"error\":" + commands::JsonString(bad.message) + "}\r\n";
        }
        return output;
    }
    if (command->kind == commands::CommandKind::Usage) {
        output.standardOutput = commands::UsageText();
        return output;
    }
    if (command->kind == commands::CommandKind::Check) {
        return RunCheck(*command);
    }
    std::optional<journal::Journal> journal = UserJournal();
    const commands::CommandReport report =
        commands::RunCommand(*command, factory, makeFileSystem, journal ? &*journal : nullptr);
    output.exitCode = report.exitCode;
    const std::vector<std::string> lines = commands::ReportLines(report);
    output.standardOutput = command->json ? commands::ReportJson(report) + "\r\n" : Lines(lines);
    output.standardError = Lines(commands::ErrorLines(report));
    if (!report.outcome && report.error) {
        output.standardError += *report.error + "\r\n";
    }
    std::vector<std::string> logged{
        report.title.empty() ? std::string(commands::SwitchOf(command->kind)) : report.title};
    logged.insert(logged.end(), lines.begin(), lines.end());
    Log(commands::LogFileOf(*command), logged, output);
    return output;
}

}  // namespace app
