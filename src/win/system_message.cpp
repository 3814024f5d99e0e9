#include "win/system_message.h"

#include <cstdint>
#include <cstdio>

#include "win/handles.h"
#include "win/text.h"

namespace win {

std::string SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory owned(buffer);
    std::wstring_view text(buffer ? buffer : L"", buffer ? length : 0);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.remove_suffix(1);
    }
    if (!text.empty()) {
        return Narrow(text);
    }
    if ((code & 0x80000000u) != 0) {
        char fallback[40];
        std::snprintf(fallback, sizeof fallback, "Automation error 0x%08lX",
                      static_cast<unsigned long>(code));
        return fallback;
    }
    return "Error " + std::to_string(code);
}

}  // namespace win
