#include "lab/com/notice.h"

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "farm/mfcom/com.h"

namespace labcom {

namespace {

struct EventSourceCloser {
    void operator()(HANDLE source) const { DeregisterEventSource(source); }
};
using EventSource = std::unique_ptr<std::remove_pointer_t<HANDLE>, EventSourceCloser>;

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
    const std::string utf8 = mfcom::Narrow(text);
    return WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void WriteToEventLog(const std::wstring& line) {
    EventSource source(RegisterEventSourceW(nullptr, L"labfarm"));
    if (source) {
        const wchar_t* strings[] = {line.c_str()};
        ReportEventW(source.get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    }
}

}  // namespace

void WriteNotice(std::string_view utf8Line) {
    const std::wstring line = mfcom::Widen(utf8Line);
    if (!WriteToStandardError(line)) {
        WriteToEventLog(line);
    }
}

}  // namespace labcom
