// The lab farm: a farm with the farm's own rules, kept in a farm store on disk, that
// implements the farm interface in-process. It stands in for MFCOM where there is none.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "farm/farm.h"

namespace lab {

// ---- The farm model: plain data, as the store keeps it ----------------------------------

// In the order Initialize takes them; the farm file writes AccountType first, then AAType.
struct AccountEntry {
    int32_t aaType = 0;       // the account authority's type (accounts.h)
    int32_t accountType = 0;  // the account's type, of a user or of a group (accounts.h)
    std::string aaName;       // the account authority, e.g. a domain
    std::string accountName;
    bool operator==(const AccountEntry&) const = default;
};

struct AppRecord {
    std::string name;                         // AppName
    std::string folder = "Applications";      // distinguished name of the parent folder
    std::string description;                  // Description
    std::map<std::string, farm::Value> keys;  // the Windows-application view's keys
    std::vector<std::string> servers;         // bound servers, in binding order
    std::vector<AccountEntry> users;
    std::vector<AccountEntry> groups;
    std::string icon;  // the icon file's bytes (.ico)

    std::string DistinguishedName() const { return folder + "/" + name; }
    bool operator==(const AppRecord&) const = default;
};

struct ServerRecord {
    std::string name;
    std::string zone;
    int32_t ntMajor = 5;
    int32_t ntMinor = 2;
    bool operator==(const ServerRecord&) const = default;
};

struct ZoneRecord {
    std::string name;
    std::string dataCollector;  // a server name
    bool operator==(const ZoneRecord&) const = default;
};

struct FarmModel {
    std::string name;
    std::vector<ZoneRecord> zones;
    std::vector<ServerRecord> servers;                 // enumeration order
    std::vector<std::string> folders{"Applications"};  // every folder path, root included
    std::vector<AppRecord> applications;               // enumeration order
    // The farm settings by key; a key that is missing is one the farm cannot report.
    std::map<std::string, farm::Value> settings;
    bool userIsAdministrator = true;
    // Accounts the farm knows, as "aaName\accountName" (users and groups alike).
    std::vector<std::string> accounts;
    bool operator==(const FarmModel&) const = default;
};

// ---- The farm store: several farms in one folder, crash-safe -------------------------------

class FarmState;    // farm_state.h: a farm as the store holds it in memory
struct FarmChange;  // farm_state.h: one recorded change of a farm

// Each farm lives in its own journal file below the root (format: farm_store.cpp). Every
// call sees what other FarmStore objects, in this process or another, wrote before it;
// only what changed since this object's last look is read again. Failures of the files
// throw farm::FarmError.
class FarmStore {
  public:
    // Creates the folder when it is missing.
    explicit FarmStore(std::filesystem::path root);
    // A store of this object's own, in memory: no files, nothing shared with other objects,
    // durable settings ignored, Root() and FarmFile() empty. For runs that restore a farm
    // many thousand times.
    struct MemoryOnly {};
    explicit FarmStore(MemoryOnly);
    ~FarmStore();
    FarmStore(const FarmStore&) = delete;
    FarmStore& operator=(const FarmStore&) = delete;

    const std::filesystem::path& Root() const;
    std::vector<std::string> FarmNames();
    bool HasFarm(const std::string& farmName);
    // The whole farm as it is in the store now. Unknown farm: FarmError.
    FarmModel Read(const std::string& farmName);
    // Replaces (or creates) a whole farm, atomically. The root folder and the folders that
    // hold applications are added to the model's folders when it lacks them.
    void Write(const FarmModel& model);
    void Remove(const std::string& farmName);
    // The farm that holds a server of that name (case-insensitive), if any.
    std::optional<std::string> FarmOfServer(const std::string& serverName);

    // For the lab's farm objects: runs `reader` on the farm as it is now. False (and
    // `reader` not run) when the store lacks the farm.
    bool Inspect(const std::string& farmName, const std::function<void(const FarmState&)>& reader);
    // Runs `writer` on the farm as it is now while holding the farm's lock against every
    // other writer; the changes it adds are applied and written through before the lock is
    // released. A `writer` that throws changes nothing. Unknown farm: FarmError.
    void Change(const std::string& farmName,
                const std::function<void(const FarmState&, std::vector<FarmChange>&)>& writer);

    // How many application records this object has decoded from the files (a cost measure).
    int64_t ParsedApplicationRecords() const;
    // How many times a farm was written, changed or removed through this object (a change
    // that adds nothing does not count): a farm that nothing wrote through its only store
    // object since a look is as it was then.
    int64_t Writes() const;
    // Whether each write waits until the data is on the disk (the default). Without it a
    // crash of the process still loses nothing written; a power cut may lose the last writes.
    void SetDurable(bool durable);
    // The file that holds the farm.
    std::filesystem::path FarmFile(const std::string& farmName) const;

    class Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// Demo farms: a rich one, an empty target farm with servers of its own, and one on which the
// current user is not an administrator. Installs the ones missing from the store.
inline constexpr const char* kDemoFarm = "ZeltDemo";
inline constexpr const char* kTargetFarm = "ZeltTarget";
inline constexpr const char* kNoAdminFarm = "ZeltNoAdmin";
void InstallDemoFarms(FarmStore& store);
FarmModel MakeDemoFarm();
FarmModel MakeTargetFarm();
FarmModel MakeNoAdminFarm();
// A small valid .ico file (one 16x16 image) whose pixels depend on the seed.
std::string MakeIcon(uint32_t seed);

// ---- Fault injection --------------------------------------------------------------------

// Counts every call of the farm interface (object creation included) and makes chosen ones
// fail with a given number and description. A failing call does nothing else.
//
// Operation names are "Object.Member" with the farm.h class name ("<Kind>s" for a
// collection); the complete list:
//   Factory.CreateFarm  Factory.CreateServer  Factory.CreateApplication  Factory.CreateFolder
//   Factory.CreateBinding  Factory.CreateUser  Factory.CreateGroup  Factory.CreateCredential
//   Farm.Initialize  Farm.FarmName  Farm.Zones  Farm.Servers  Farm.Applications
//   Farm.WinFarmObject  Farm.AddApplication  Farm.GetApplication  Farm.GetServer
//   Zones.Count  Zones.Items  Zone.ZoneName  Zone.DataCollector
//   Servers.Count  Servers.Items  Applications.Count  Applications.Items
//   Bindings.Count  Bindings.Items  Accounts.Count  Accounts.Items
//   WinFarm.IsCitrixAdministrator  WinFarm.Get  WinFarm.Put
//   Server.Initialize  Server.ServerName  Server.Applications  Server.WinServerObject
//   WinServer.WinNTVerMajor  WinServer.WinNTVerMinor
//   Application.Initialize  Application.LoadData  Application.SaveData  Application.AppName
//   Application.DistinguishedName  Application.Description  Application.Servers
//   Application.Users  Application.Groups  Application.WinAppObject  Application.AddServer
//   Application.RemoveServer  Application.Delete
//   WinApp.Get  WinApp.Put  WinApp.SaveData  WinApp.AddServer  WinApp.RemoveServer
//   WinApp.AddUser  WinApp.AddGroup  WinApp.WriteIconToFile  WinApp.LoadIconFromFile
//   Folder.Initialize  Folder.AddSubFolder
//   Binding.Initialize  Binding.ServerName
//   Account.Initialize  Account.AAType  Account.AccountType  Account.AAName  Account.AccountName
class FaultInjector {
  public:
    void FailCall(int64_t callNumber, int32_t number, std::string description);  // 1-based
    void FailOperation(std::string operation, int32_t number, std::string description);
    // Ends the process at that call, before the call does anything (exit code kEndedByFault),
    // as a killed program or a lost connection would leave it.
    void EndProcessAtCall(int64_t callNumber);
    static constexpr int kEndedByFault = 86;
    void Clear();  // clears the faults, keeps counting
    void ResetCount();
    int64_t CallCount() const;
    // Called at the start of every interface call; throws the planned FarmError.
    void OnCall(const char* operation);

  private:
    struct Planned {
        int32_t number;
        std::string description;
    };
    int64_t calls_ = 0;
    int64_t endAt_ = 0;
    std::map<int64_t, Planned> byCall_;
    std::map<std::string, Planned, std::less<>> byOperation_;
};

// ---- The in-process farm interface ----------------------------------------------------------

// Creates farm objects that work on the store. Which farm a new farm object answers for is
// asked of `currentFarm` when the object is initialised; no farm (nullopt) makes
// Farm::Initialize fail as on a workstation that reaches no farm.
class LabFactory : public farm::ObjectFactory {
  public:
    using FarmLocator = std::function<std::optional<std::string>()>;

    LabFactory(std::shared_ptr<FarmStore> store, FarmLocator currentFarm,
               std::shared_ptr<FaultInjector> faults = std::make_shared<FaultInjector>());
    // Convenience: always the named farm.
    LabFactory(std::shared_ptr<FarmStore> store, const std::string& farmName,
               std::shared_ptr<FaultInjector> faults = std::make_shared<FaultInjector>());
    ~LabFactory() override;

    FaultInjector& Faults();

    std::unique_ptr<farm::Farm> CreateFarm() override;
    std::unique_ptr<farm::Server> CreateServer() override;
    std::unique_ptr<farm::Application> CreateApplication() override;
    std::unique_ptr<farm::Folder> CreateFolder() override;
    std::unique_ptr<farm::Binding> CreateBinding() override;
    std::unique_ptr<farm::Account> CreateUser() override;
    std::unique_ptr<farm::Account> CreateGroup() override;
    std::unique_ptr<farm::Credential> CreateCredential() override;

    struct State;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace lab
