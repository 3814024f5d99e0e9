// What labfarm.dll keeps for the life of the process: the lab farm it serves (following the
// workstation's StorePath) and the dialect its objects speak, its fault injector, the counts of
// calls its objects received, the DISPIDs handed out for settings reached by name, and the count of
// live objects. COM enters a server through plain exported functions, so this one object is reached
// through Module::Instance(); nothing else in the dll is global.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lab/com/dialect.h"
#include "lab/lab.h"
#include "win/com.h"

namespace labcom {

class Module {
  public:
    static Module& Instance();

    // The lab farm for new objects, on the store StorePath names now. Objects keep the
    // store they were made on; the module lets go of its own when no object is left.
    std::shared_ptr<lab::LabFactory> Factory();
    lab::FaultInjector& Faults() { return *faults_; }
    // The workstation's Dialect as Factory() last read it.
    std::shared_ptr<const Dialect> CurrentDialect();

    void CountInvoke() { ++invokes_; }
    void CountGetIdsOfNames() { ++getIds_; }
    void CallCounts(long long& invokes, long long& getIds) const {
        invokes = invokes_;
        getIds = getIds_;
    }
    void ResetCallCounts() {
        invokes_ = 0;
        getIds_ = 0;
        std::lock_guard lock(mutex_);
        unknownNames_.clear();
    }
    // A name an object of `kind` answered as unknown.
    void CountUnknownName(mfcom::Kind kind, std::string_view name);
    // "Kind.Name count" lines, in name order.
    std::string UnknownNames();

    // A settings name gets one DISPID for the life of the process, so that a client's
    // DISPID cache stays right; the DISPID leads back to the name exactly as first asked.
    int32_t SettingDispid(std::string_view name);
    std::optional<std::string> SettingName(int32_t dispid);

    void ObjectCreated() { ++objects_; }
    void ObjectDestroyed();
    void Lock(bool lock) { lock ? ++locks_ : --locks_; }
    bool CanUnload() const { return objects_ == 0 && locks_ == 0; }

    // The type information of a kind of object, from the dll's own type library; null when
    // the library cannot be loaded. The caller owns the reference.
    ITypeInfo* TypeInfo(mfcom::Kind kind);

    HMODULE Handle() const { return handle_; }
    std::wstring Path() const;

  private:
    Module();

    HMODULE handle_ = nullptr;
    std::shared_ptr<lab::FaultInjector> faults_;
    std::mutex mutex_;
    std::filesystem::path storeRoot_;
    std::shared_ptr<lab::LabFactory> factory_;
    std::string dialectText_;
    std::string plannedFailure_;
    std::shared_ptr<const Dialect> dialect_ = std::make_shared<Dialect>();
    std::map<std::string, int32_t, std::less<>> settingDispids_;
    std::map<std::string, long long> unknownNames_;
    std::vector<std::string> settingNames_;
    win::ComPtr<ITypeLib> typeLib_;
    std::atomic<long long> invokes_{0};
    std::atomic<long long> getIds_{0};
    std::atomic<long> objects_{0};
    std::atomic<long> locks_{0};
};

}  // namespace labcom
