#include "app/unattended_export.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "shared/farm_file.h"
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

// A message as one log line: its first line, then the others joined by commas ("... leaves
// them out: NoRedundantGraphics (farm setting), DesktopIntegrate (application setting)").
std::string OneLine(const std::string& message) {
    std::string line;
    size_t parts = 0;
    for (size_t start = 0; start <= message.size();) {
        size_t end = message.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = message.size();
        }
        if (end > start) {
            line += (parts == 0   ? ""
                     : parts == 1 ? " "
                                  : ", ") +
                    message.substr(start, end - start);
            ++parts;
        }
        start = end + 1;
    }
    return line;
}

}  // namespace

std::string LogFileOf(const std::string& farmFile) {
    return farmFile + ".log";
}

int RunExportCommand(const std::string& file, farm::ObjectFactory& factory,
                     const shared::Shared::FileSystemMaker& makeFileSystem, std::string& messages) {
    const std::string path =
        win::Narrow(std::filesystem::absolute(std::filesystem::path(win::Widen(file))).wstring());
    std::vector<std::string> lines{Now() + " Export Farm to " + path};
    shared::QuietFeedback feedback;
    int code = kExportDone;
    const shared::Outcome outcome = [&] {
        shared::Shared module(factory, makeFileSystem, feedback);  // its farm objects end here
        return shared::ExportFarm(module, path);
    }();
    if (outcome.failure) {
        code = kExportFailed;
        const shared::ErrorInfo& error = outcome.failure->error;
        lines.push_back(Now() + " Failed: error " + std::to_string(error.number) + ": " +
                        error.description);
    } else {
        // The notice of a complete export (the settings this farm does not have).
        for (const shared::OutcomeMessage& message : shared::MessagesOf(outcome)) {
            lines.push_back(Now() + " " + OneLine(message.text));
        }
    }
    lines.push_back(Now() + (code == kExportDone
                                 ? " Done."
                                 : " Nothing was replaced: the farm file and its icons are as "
                                   "they were."));
    std::ofstream log(std::filesystem::path(win::Widen(LogFileOf(path))),
                      std::ios::binary | std::ios::app);
    for (const std::string& line : lines) {
        messages += line + "\r\n";
        log << line << "\r\n";
    }
    if (!log.flush()) {
        messages += "The log could not be written to " + LogFileOf(path) + "\r\n";
    }
    return code;
}

}  // namespace app
