// The farm interface: one abstract call for every operation the program asks of the farm's
// management object model. Every call may throw FarmError. Objects are created afresh by an
// ObjectFactory, as COM creates them by ProgID, and own nothing of the farm: each call reads
// the farm as it is now and each save writes through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/error.h"

namespace farm {

// A refusal or failure of the farm (or of the way to it): the farm's signed 32-bit number
// (an HRESULT, or a conventional runtime error number) and its description.
using FarmError = base::Error;

// Type codes handed to Initialize, AddApplication, GetApplication and GetServer.
inline constexpr int kWinFarmObject = 1;
inline constexpr int kWinAppObject = 3;
inline constexpr int kWinSrvObject = 6;
// Folder type for Folder::Initialize: the published-applications tree.
inline constexpr int kApplicationFolder = 3;

// A setting read or assigned by name: a number or a text. On/off settings are numbers.
using Value = std::variant<int32_t, std::string>;

// Converts a Value read from the farm; a text where a number is needed (or the other way
// round) is a type mismatch (13), as an automation client would see it.
int32_t AsNumber(const Value& value);
std::string AsText(const Value& value);

class Application;
class Server;

// A collection as the object model hands it out: a count and one enumeration. Each call
// asks the farm again.
template <class T>
class Collection {
  public:
    virtual ~Collection() = default;
    virtual int32_t Count() = 0;
    // Enumerates the collection (_NewEnum), in the farm's order.
    virtual std::vector<std::unique_ptr<T>> Items() = 0;
};

class Zone {
  public:
    virtual ~Zone() = default;
    virtual std::string ZoneName() = 0;
    virtual std::string DataCollector() = 0;
};

class Credential {
  public:
    virtual ~Credential() = default;
};

// A user or group entry of an application (MetaFrameUser / MetaFrameGroup): two numbers
// and two texts, given in the order of public writes (AddUser(1, domain, 2, user)).
class Account {
  public:
    virtual ~Account() = default;
    virtual void Initialize(int32_t aaType, const std::string& aaName, int32_t accountType,
                            const std::string& accountName, Credential& credential) = 0;
    virtual int32_t AAType() = 0;           // the authority type (1: NT domain or directory)
    virtual int32_t AccountType() = 0;      // the account type (of a user: 2 domain user)
    virtual std::string AAName() = 0;       // the authority's name, e.g. the domain
    virtual std::string AccountName() = 0;  // the user's or group's name
};

// An application-server binding (MetaFrameAppSrvBinding).
class Binding {
  public:
    virtual ~Binding() = default;
    virtual void Initialize(int type, const std::string& serverName,
                            const std::string& distinguishedName) = 0;
    virtual std::string ServerName() = 0;
};

// Settings read and assigned by the keys of the farm file (WinFarmObject, WinAppObject).
class SettingsView {
  public:
    virtual ~SettingsView() = default;
    virtual Value Get(std::string_view key) = 0;
    virtual void Put(std::string_view key, const Value& value) = 0;
};

// The Windows-farm view: the farm settings and the administrator flag.
class WinFarm : public SettingsView {
  public:
    // Late-bound Boolean; 0 means not an administrator, anything else means one.
    virtual Value IsCitrixAdministrator() = 0;
};

// The Windows-application view: the application keys and the operations on them.
class WinApp : public SettingsView {
  public:
    virtual void SaveData() = 0;
    virtual void AddServer(Binding& binding) = 0;
    virtual void RemoveServer(const std::string& serverName) = 0;
    virtual void AddUser(Account& user) = 0;
    virtual void AddGroup(Account& group) = 0;
    virtual void WriteIconToFile(const std::string& path) = 0;
    virtual void LoadIconFromFile(const std::string& path, int32_t index) = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    virtual void Initialize(int type, const std::string& distinguishedName) = 0;
    virtual void LoadData(bool full) = 0;
    virtual void SaveData() = 0;
    virtual std::string AppName() = 0;
    virtual std::string DistinguishedName() = 0;
    virtual std::string Description() = 0;
    virtual std::unique_ptr<Collection<Binding>> Servers() = 0;
    virtual std::unique_ptr<Collection<Account>> Users() = 0;
    virtual std::unique_ptr<Collection<Account>> Groups() = 0;
    virtual std::unique_ptr<WinApp> WinAppObject() = 0;
    virtual void AddServer(Binding& binding) = 0;
    virtual void RemoveServer(const std::string& serverName) = 0;
    virtual void Delete() = 0;
};

class WinServer {
  public:
    virtual ~WinServer() = default;
    virtual int32_t WinNTVerMajor() = 0;
    virtual int32_t WinNTVerMinor() = 0;
};

class Server {
  public:
    virtual ~Server() = default;
    virtual void Initialize(int type, const std::string& serverName) = 0;
    virtual std::string ServerName() = 0;
    virtual std::unique_ptr<Collection<Application>> Applications() = 0;
    virtual std::unique_ptr<WinServer> WinServerObject() = 0;
};

class Folder {
  public:
    virtual ~Folder() = default;
    // Binds the object to a folder path such as "Applications/Office".
    virtual void Initialize(int folderType, const std::string& path) = 0;
    virtual void AddSubFolder(const std::string& name) = 0;
};

class Farm {
  public:
    virtual ~Farm() = default;
    virtual void Initialize(int type) = 0;
    virtual std::string FarmName() = 0;
    virtual std::unique_ptr<Collection<Zone>> Zones() = 0;
    virtual std::unique_ptr<Collection<Server>> Servers() = 0;
    virtual std::unique_ptr<Collection<Application>> Applications() = 0;
    virtual std::unique_ptr<WinFarm> WinFarmObject() = 0;
    virtual std::unique_ptr<Application> AddApplication(int type) = 0;
    virtual std::unique_ptr<Application> GetApplication(int type,
                                                        const std::string& distinguishedName) = 0;
    virtual std::unique_ptr<Server> GetServer(int type, const std::string& serverName) = 0;
};

// Creates each kind of object afresh, as COM creates an object by its ProgID. Creation
// itself can fail (no farm interface on the workstation).
class ObjectFactory {
  public:
    virtual ~ObjectFactory() = default;
    virtual std::unique_ptr<Farm> CreateFarm() = 0;
    virtual std::unique_ptr<Server> CreateServer() = 0;
    virtual std::unique_ptr<Application> CreateApplication() = 0;
    virtual std::unique_ptr<Folder> CreateFolder() = 0;
    virtual std::unique_ptr<Binding> CreateBinding() = 0;
    virtual std::unique_ptr<Account> CreateUser() = 0;
    virtual std::unique_ptr<Account> CreateGroup() = 0;
    virtual std::unique_ptr<Credential> CreateCredential() = 0;
};

}  // namespace farm
