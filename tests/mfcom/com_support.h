// What the tests of the COM path share: COM initialised for the whole test program, the
// workstation's lab-farm setting pointed at a test store and put back afterwards, the test
// hooks of the registered labfarm.dll, and the paths of the programs built with the tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "farm/mfcom/com.h"
#include "farm/mfcom/members.h"
#include "lab/com/hooks.h"
#include "lab/com/workstation.h"

namespace comtest {

// COM, apartment-threaded, from before the first test to after the last one.
class ComEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { com_ = std::make_unique<mfcom::ComInit>(); }
    void TearDown() override { com_.reset(); }

  private:
    std::unique_ptr<mfcom::ComInit> com_;
};

inline const bool kComEnvironmentAdded = [] {
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);  // gtest owns it
    return true;
}();

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

struct DllCounts {
    long long invokes = 0;
    long long getIdsOfNames = 0;
};

inline DllCounts ReadDllCounts() {
    DllCounts counts;
    Hook<labcom::hooks::GetCallCounts>(labcom::hooks::kGetCallCounts)(&counts.invokes,
                                                                      &counts.getIdsOfNames);
    return counts;
}

// The folder of the test program; the programs built with it lie below its parent.
inline std::filesystem::path BuildFolder() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return std::filesystem::path(path).parent_path().parent_path();
}

}  // namespace comtest
