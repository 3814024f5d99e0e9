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
    {
        shared::Shared module(factory, makeFileSystem, feedback);
        shared::ExportFarm(module, path);
    }
    if (feedback.messages.empty()) {
        lines.push_back(Now() + " Done.");
    } else {
        code = kExportFailed;
        for (const std::string& message : feedback.messages) {
            const auto error = shared::ParseUnexpectedError(message);
            lines.push_back(
                Now() + " Failed: " +
                (error ? "error " + std::to_string(error->number) + ": " + error->description
                       : message));
        }
        lines.push_back(Now() +
                        " Nothing was replaced: the farm file and its icons are as they were.");
    }
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
