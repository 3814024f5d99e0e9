#include "lab/com/notice.h"
#include "win/handles.h"
#include "win/text.h"

#include <windows.h>

#include <string>

namespace labcom {

namespace {

bool WriteToStandardError(const std::wstring& line) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (!error || error == INVALID_HANDLE_VALUE || GetFileType(error) == FILE_TYPE_UNKNOWN) {
        return false;
    }
    const std::wstring text = line + L"\r\n";
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(error, &mode)) {
        return WriteConsoleW(error, text.c_str(), static_cast<DWORD>(text.size()), &written,
                             nullptr);
    }
    const std::string utf8 = win::Narrow(text);
    return WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteToEventLog(const std::wstring& line) {
    const win::EventSourceHandle source(RegisterEventSourceW(nullptr, L"labfarm"));
    if (source) {
        const wchar_t* strings[] = {line.c_str()};
        ReportEventW(source.get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    }
}

}  // namespace

void WriteNotice(std::string_view utf8Line) {
    const std::wstring line = win::Widen(utf8Line);
    if (!WriteToStandardError(line)) {
        WriteToEventLog(line);
    }
}

}  // namespace labcom
