// An owned registry key and the few reads and writes the lab farm's tools make.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace labcom {

class RegKey {
  public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        std::swap(key_, other.key_);
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }

    // Opens a key for reading; an empty RegKey when it does not exist.
    static RegKey Open(HKEY parent, const std::wstring& path);
    // Opens or creates a key for writing; throws farm::FarmError on failure.
    static RegKey Create(HKEY parent, const std::wstring& path);
    // As Create, but returns the Win32 error instead of throwing.
    static LSTATUS TryCreate(HKEY parent, const std::wstring& path, RegKey& key);

    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    // A REG_SZ or REG_EXPAND_SZ value (expanded); nullopt when missing. name "" = default.
    std::optional<std::wstring> ReadText(const std::wstring& name) const;
    void WriteText(const std::wstring& name, const std::wstring& text);
    // Deleting a value that is missing is fine.
    void DeleteValue(const std::wstring& name);

  private:
    HKEY key_ = nullptr;
};

// Raises farm::FarmError for a failed registry call (a Win32 error code).
void CheckRegistry(LSTATUS status);

}  // namespace labcom
