#include "win/registry.h"

#include <algorithm>
#include <vector>

#include "base/error.h"
#include "win/system_message.h"

namespace win {

void CheckRegistry(LSTATUS status) {
    if (status != ERROR_SUCCESS) {
        HRESULT hr = HRESULT_FROM_WIN32(static_cast<DWORD>(status));
        throw base::Error(hr, SystemMessage(static_cast<DWORD>(hr)));
    }
}

RegKey RegKey::Open(HKEY parent, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return RegKey();
    }
    return RegKey(key);
}

LSTATUS RegKey::TryCreate(HKEY parent, const std::wstring& path, RegKey& key) {
    HKEY created = nullptr;
    LSTATUS status = RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, &created, nullptr);
    if (status == ERROR_SUCCESS) {
        key = RegKey(created);
    }
    return status;
}

RegKey RegKey::Create(HKEY parent, const std::wstring& path) {
    RegKey key;
    CheckRegistry(TryCreate(parent, path, key));
    return key;
}

std::optional<std::wstring> RegKey::ReadText(const std::wstring& name) const {
    if (!key_) {
        return std::nullopt;
    }
    for (;;) {
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return std::nullopt;
        }
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        LSTATUS status = RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA) {
            continue;  // changed between the two reads
        }
        if (status != ERROR_SUCCESS) {
            return std::nullopt;
        }
        // The stored text need not end with a terminator; stop at the first one if it does.
        std::wstring text(buffer.data(), std::min<size_t>(size / sizeof(wchar_t), buffer.size()));
        text = text.c_str();
        if (type == REG_EXPAND_SZ) {
            DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
            if (needed > 0) {
                std::wstring expanded(needed, L'\0');
                ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
                text = expanded.c_str();
            }
        }
        return text;
    }
}

void RegKey::WriteText(const std::wstring& name, const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    CheckRegistry(RegSetValueExW(key_.get(), name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.c_str()), bytes));
}

void RegKey::DeleteValue(const std::wstring& name) {
    LSTATUS status = RegDeleteValueW(key_.get(), name.c_str());
    if (status != ERROR_FILE_NOT_FOUND) {
        CheckRegistry(status);
    }
}

}  // namespace win
