// For programs that load the registered labfarm.dll into their own process (tests,
// benchmarks): the workstation's lab-farm setting pointed at a store for a while, and the
// dll's exported hooks.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/utf8_path.h"
#include "farm/mfcom/members.h"
#include "lab/com/workstation.h"
#include "win/com.h"
#include "win/text.h"

namespace labcom {

// One value of the workstation's lab-farm setting, set for the owner's lifetime (removed when
// empty, left as it is when none is given), then put back as it was.
class ScopedLabValue {
  public:
    ScopedLabValue(const wchar_t* value, const std::optional<std::string>& text)
        : value_(value), old_(labcom::ReadSetting(value)) {
        if (text && text->empty()) {
            labcom::DeleteSetting(value);
        } else if (text) {
            labcom::WriteSetting(value, *text);
        }
    }
    ~ScopedLabValue() {
        if (old_) {
            labcom::WriteSetting(value_, *old_);
        } else {
            labcom::DeleteSetting(value_);
        }
    }
    ScopedLabValue(const ScopedLabValue&) = delete;
    ScopedLabValue& operator=(const ScopedLabValue&) = delete;

  private:
    const wchar_t* value_;
    std::optional<std::string> old_;
};

// Points HKCU\Software\ZeltLab at a store (and farm) for the owner's lifetime, then puts
// both values back as they were, missing ones included.
class ScopedLabSetting {
  public:
    explicit ScopedLabSetting(const std::filesystem::path& storeRoot,
                              const std::optional<std::string>& farm = std::nullopt)
        : storePath_(labcom::kStorePathValue, base::Utf8(storeRoot)),
          farm_(labcom::kFarmValue, farm) {}

  private:
    ScopedLabValue storePath_;
    ScopedLabValue farm_;
};

// The registered labfarm.dll as loaded into this process (loading it through COM first).
inline HMODULE LabFarmModule() {
    HMODULE module = GetModuleHandleW(L"labfarm.dll");
    if (!module) {
        CLSID clsid{};
        std::wstring progId = win::Widen(mfcom::ProgIdOf(mfcom::Creatable::Credential).progId);
        if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) {
            throw std::runtime_error(
                "labfarm.dll is not registered in this Wine prefix: run scripts/wine-prefix.sh");
        }
        win::ComPtr<IUnknown> object;
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                         reinterpret_cast<void**>(object.Put()));
        module = GetModuleHandleW(L"labfarm.dll");
    }
    if (!module) {
        throw std::runtime_error("labfarm.dll could not be loaded through COM");
    }
    return module;
}

template <class Fn>
Fn Hook(const char* name) {
    auto address = GetProcAddress(LabFarmModule(), name);
    if (!address) {
        throw std::runtime_error(std::string("labfarm.dll does not export ") + name);
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

}  // namespace labcom
