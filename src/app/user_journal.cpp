#include "app/user_journal.h"

#include <windows.h>

#include <string>
#include <vector>

namespace app {

namespace {

std::optional<std::filesystem::path> Environment(const wchar_t* name) {
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return std::nullopt;
    }
    return std::filesystem::path(std::wstring(buffer.data(), length));
}

}  // namespace

std::optional<journal::Journal> UserJournal() {
    const std::optional<std::filesystem::path> local = Environment(L"LOCALAPPDATA");
    const size_t kept = local ? journal::RecordsKeptSetting(*local / "zelttool" / "zelttool.ini")
                              : journal::kRecordsKept;
    if (const std::optional<std::filesystem::path> folder = Environment(L"ZELT_JOURNAL")) {
        return journal::Journal(*folder, kept);
    }
    if (!local) {
        return std::nullopt;
    }
    return journal::Journal(*local / "zelttool" / "journal", kept);
}

}  // namespace app
