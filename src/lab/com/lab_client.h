// For programs that load the registered labfarm.dll into their own process (tests,
// benchmarks): the workstation's lab-farm setting pointed at a store for a while, and the
// dll's exported hooks.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "farm/mfcom/com.h"
#include "farm/mfcom/members.h"
#include "lab/com/workstation.h"

namespace labcom {

// Points HKCU\Software\ZeltLab at a store (and farm) for the owner's lifetime, then puts
// both values back as they were, missing ones included.
class ScopedLabSetting {
  public:
    explicit ScopedLabSetting(const std::filesystem::path& storeRoot,
                              const std::optional<std::string>& farm = std::nullopt)
        : storePath_(labcom::ReadSetting(labcom::kStorePathValue)),
          farm_(labcom::ReadSetting(labcom::kFarmValue)) {
        auto root = storeRoot.u8string();
        labcom::WriteSetting(labcom::kStorePathValue, std::string(root.begin(), root.end()));
        if (farm) {
            labcom::WriteSetting(labcom::kFarmValue, *farm);
        }
    }
    ~ScopedLabSetting() {
        Restore(labcom::kStorePathValue, storePath_);
        Restore(labcom::kFarmValue, farm_);
    }
    ScopedLabSetting(const ScopedLabSetting&) = delete;
    ScopedLabSetting& operator=(const ScopedLabSetting&) = delete;

  private:
    static void Restore(const wchar_t* value, const std::optional<std::string>& old) {
        if (old) {
            labcom::WriteSetting(value, *old);
        } else {
            labcom::DeleteSetting(value);
        }
    }
    std::optional<std::string> storePath_;
    std::optional<std::string> farm_;
};

// The registered labfarm.dll as loaded into this process (loading it through COM first).
inline HMODULE LabFarmModule() {
    HMODULE module = GetModuleHandleW(L"labfarm.dll");
    if (!module) {
        CLSID clsid{};
        std::wstring progId = mfcom::Widen(mfcom::ProgIdOf(mfcom::Creatable::Credential).progId);
        if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) {
            throw std::runtime_error(
                "labfarm.dll is not registered in this Wine prefix: run scripts/wine-prefix.sh");
        }
        mfcom::ComPtr<IUnknown> object;
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
