// An owned registry key and the few reads and writes the program and the lab farm's tools
// make.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/handles.h"

namespace win {

class RegKey {
  public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}

    // Opens a key for reading; an empty RegKey when it does not exist.
    static RegKey Open(HKEY parent, const std::wstring& path);
    // Opens or creates a key for writing; throws base::Error on failure.
    static RegKey Create(HKEY parent, const std::wstring& path);
    // As Create, but returns the Win32 error instead of throwing.
    static LSTATUS TryCreate(HKEY parent, const std::wstring& path, RegKey& key);

    HKEY Get() const { return key_.get(); }
    explicit operator bool() const { return static_cast<bool>(key_); }

    // A REG_SZ or REG_EXPAND_SZ value (expanded); nullopt when missing. name "" = default.
    std::optional<std::wstring> ReadText(const std::wstring& name) const;
    void WriteText(const std::wstring& name, const std::wstring& text);
    // Deleting a value that is missing is fine.
    void DeleteValue(const std::wstring& name);

  private:
    RegistryHandle key_;
};

// Raises base::Error for a failed registry call (a Win32 error code).
void CheckRegistry(LSTATUS status);

}  // namespace win
