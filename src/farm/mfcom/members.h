// Every member name the program calls on the farm's automation objects, in one table, used
// by the late-bound client and by the lab farm's COM server alike. A name found wrong on a
// real farm is corrected here, in one line. Portable: no Windows types.
//
// Status: Seen = seen in public use of the object model; Chosen = the best reading,
// unverified on a real farm; Described = named so by the system's own description.
//
// Not in the table: the settings of the Windows-farm and Windows-application views, which
// are reached by the farm-file key names themselves (any name those two views are asked for).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mfcom {

// The automation objects. Users and groups (created or enumerated) share Account; every
// collection answers to Collection.
enum class Kind : uint8_t {
    Farm,
    Zone,
    Server,
    Application,
    WinFarm,
    WinServer,
    WinApp,
    Folder,
    Binding,
    Account,
    Credential,
    Collection,
};

enum class Access : uint8_t {
    Get,     // property get
    Method,  // method call
};

enum class Status : uint8_t { Seen, Chosen, Described };

enum class Op : uint8_t {
    FarmInitialize,
    FarmName,
    FarmZones,
    FarmServers,
    FarmApplications,
    FarmWinFarmObject,
    FarmAddApplication,
    FarmGetApplication,
    FarmGetServer,
    ZoneName,
    ZoneDataCollector,
    WinFarmIsCitrixAdministrator,
    ServerInitialize,
    ServerName,
    ServerApplications,
    ServerWinServerObject,
    WinServerMajorVersion,
    WinServerMinorVersion,
    AppInitialize,
    AppLoadData,
    AppSaveData,
    AppName,
    AppDistinguishedName,
    AppDescription,
    AppServers,
    AppUsers,
    AppGroups,
    AppWinAppObject,
    AppAddServer,
    AppRemoveServer,
    AppDelete,
    WinAppSaveData,
    WinAppAddServer,
    WinAppRemoveServer,
    WinAppAddUser,
    WinAppAddGroup,
    WinAppWriteIconToFile,
    WinAppLoadIconFromFile,
    FolderInitialize,
    FolderAddSubFolder,
    BindingInitialize,
    BindingServerName,
    AccountInitialize,
    AccountAAType,
    AccountAccountType,
    AccountAAName,
    AccountAccountName,
    CollectionCount,
    CollectionNewEnum,
};

struct Member {
    Op op;
    Kind object;
    std::string_view name;
    Access access;
    // Arguments in call order: 'n' number, 's' text, 'b' Boolean, 'o' object.
    std::string_view args;
    // Result: 'n' number, 's' text, 'v' number or text, 'o' object, 'c' collection,
    // 'e' enumerator, '-' nothing.
    char result;
    Status status;
};

// In the order of Op.
inline constexpr std::array kMembers{
    // clang-format off
    Member{Op::FarmInitialize,            Kind::Farm,        "Initialize",            Access::Method, "n",     '-', Status::Seen},
    Member{Op::FarmName,                  Kind::Farm,        "FarmName",              Access::Get,    "",      's', Status::Seen},
    Member{Op::FarmZones,                 Kind::Farm,        "Zones",                 Access::Get,    "",      'c', Status::Chosen},
    Member{Op::FarmServers,               Kind::Farm,        "Servers",               Access::Get,    "",      'c', Status::Chosen},
    Member{Op::FarmApplications,          Kind::Farm,        "Applications",          Access::Get,    "",      'c', Status::Chosen},
    Member{Op::FarmWinFarmObject,         Kind::Farm,        "WinFarmObject",         Access::Get,    "",      'o', Status::Seen},
    Member{Op::FarmAddApplication,        Kind::Farm,        "AddApplication",        Access::Method, "n",     'o', Status::Chosen},
    Member{Op::FarmGetApplication,        Kind::Farm,        "GetApplication",        Access::Method, "ns",    'o', Status::Chosen},
    Member{Op::FarmGetServer,             Kind::Farm,        "GetServer",             Access::Method, "ns",    'o', Status::Chosen},
    Member{Op::ZoneName,                  Kind::Zone,        "ZoneName",              Access::Get,    "",      's', Status::Chosen},
    Member{Op::ZoneDataCollector,         Kind::Zone,        "DataCollector",         Access::Get,    "",      's', Status::Chosen},
    Member{Op::WinFarmIsCitrixAdministrator, Kind::WinFarm,  "IsCitrixAdministrator", Access::Get,    "",      'v', Status::Seen},
    Member{Op::ServerInitialize,          Kind::Server,      "Initialize",            Access::Method, "ns",    '-', Status::Seen},
    Member{Op::ServerName,                Kind::Server,      "ServerName",            Access::Get,    "",      's', Status::Seen},
    Member{Op::ServerApplications,        Kind::Server,      "Applications",          Access::Get,    "",      'c', Status::Chosen},
    Member{Op::ServerWinServerObject,     Kind::Server,      "WinServerObject",       Access::Get,    "",      'o', Status::Seen},
    Member{Op::WinServerMajorVersion,     Kind::WinServer,   "WinNTMajorVersion",     Access::Get,    "",      'n', Status::Chosen},
    Member{Op::WinServerMinorVersion,     Kind::WinServer,   "WinNTMinorVersion",     Access::Get,    "",      'n', Status::Chosen},
    Member{Op::AppInitialize,             Kind::Application, "Initialize",            Access::Method, "ns",    '-', Status::Seen},
    Member{Op::AppLoadData,               Kind::Application, "LoadData",              Access::Method, "b",     '-', Status::Chosen},
    Member{Op::AppSaveData,               Kind::Application, "SaveData",              Access::Method, "",      '-', Status::Chosen},
    Member{Op::AppName,                   Kind::Application, "AppName",               Access::Get,    "",      's', Status::Chosen},
    Member{Op::AppDistinguishedName,      Kind::Application, "DistinguishedName",     Access::Get,    "",      's', Status::Chosen},
    Member{Op::AppDescription,            Kind::Application, "Description",           Access::Get,    "",      's', Status::Chosen},
    Member{Op::AppServers,                Kind::Application, "Servers",               Access::Get,    "",      'c', Status::Chosen},
    Member{Op::AppUsers,                  Kind::Application, "Users",                 Access::Get,    "",      'c', Status::Chosen},
    Member{Op::AppGroups,                 Kind::Application, "Groups",                Access::Get,    "",      'c', Status::Chosen},
    Member{Op::AppWinAppObject,           Kind::Application, "WinAppObject",          Access::Get,    "",      'o', Status::Chosen},
    Member{Op::AppAddServer,              Kind::Application, "AddServer",             Access::Method, "o",     '-', Status::Chosen},
    Member{Op::AppRemoveServer,           Kind::Application, "RemoveServer",          Access::Method, "s",     '-', Status::Chosen},
    Member{Op::AppDelete,                 Kind::Application, "Delete",                Access::Method, "",      '-', Status::Described},
    Member{Op::WinAppSaveData,            Kind::WinApp,      "SaveData",              Access::Method, "",      '-', Status::Chosen},
    Member{Op::WinAppAddServer,           Kind::WinApp,      "AddServer",             Access::Method, "o",     '-', Status::Chosen},
    Member{Op::WinAppRemoveServer,        Kind::WinApp,      "RemoveServer",          Access::Method, "s",     '-', Status::Chosen},
    Member{Op::WinAppAddUser,             Kind::WinApp,      "AddUser",               Access::Method, "o",     '-', Status::Chosen},
    Member{Op::WinAppAddGroup,            Kind::WinApp,      "AddGroup",              Access::Method, "o",     '-', Status::Chosen},
    Member{Op::WinAppWriteIconToFile,     Kind::WinApp,      "WriteIconToFile",       Access::Method, "s",     '-', Status::Chosen},
    Member{Op::WinAppLoadIconFromFile,    Kind::WinApp,      "LoadIconFromFile",      Access::Method, "sn",    '-', Status::Chosen},
    Member{Op::FolderInitialize,          Kind::Folder,      "Initialize",            Access::Method, "ns",    '-', Status::Chosen},
    Member{Op::FolderAddSubFolder,        Kind::Folder,      "AddSubFolder",          Access::Method, "s",     '-', Status::Chosen},
    Member{Op::BindingInitialize,         Kind::Binding,     "Initialize",            Access::Method, "nss",   '-', Status::Chosen},
    Member{Op::BindingServerName,         Kind::Binding,     "ServerName",            Access::Get,    "",      's', Status::Chosen},
    Member{Op::AccountInitialize,         Kind::Account,     "Initialize",            Access::Method, "nsnso", '-', Status::Chosen},
    Member{Op::AccountAAType,             Kind::Account,     "AAType",                Access::Get,    "",      'n', Status::Chosen},
    Member{Op::AccountAccountType,        Kind::Account,     "AccountType",           Access::Get,    "",      'n', Status::Chosen},
    Member{Op::AccountAAName,             Kind::Account,     "AAName",                Access::Get,    "",      's', Status::Chosen},
    Member{Op::AccountAccountName,        Kind::Account,     "AccountName",           Access::Get,    "",      's', Status::Chosen},
    Member{Op::CollectionCount,           Kind::Collection,  "Count",                 Access::Get,    "",      'n', Status::Chosen},
    // The standard enumerator member; always reached by its fixed DISPID, never by name.
    Member{Op::CollectionNewEnum,         Kind::Collection,  "_NewEnum",              Access::Get,    "",      'e', Status::Seen},
    // clang-format on
};

// The fixed DISPID of the enumerator member (DISPID_NEWENUM).
inline constexpr int32_t kNewEnumDispid = -4;

// The creatable objects and their ProgIDs (looked up without regard to case).
enum class Creatable : uint8_t {
    Farm,
    Server,
    Application,
    Folder,
    Binding,
    User,
    Group,
    Credential
};

struct ProgIdEntry {
    Creatable creatable;
    Kind kind;
    std::string_view progId;
    Status status;
};

inline constexpr std::array kProgIds{
    ProgIdEntry{Creatable::Farm, Kind::Farm, "MetaFrameCOM.MetaFrameFarm", Status::Seen},
    ProgIdEntry{Creatable::Server, Kind::Server, "MetaFrameCOM.MetaFrameServer", Status::Seen},
    ProgIdEntry{Creatable::Application, Kind::Application, "MetaFrameCOM.MetaFrameApplication",
                Status::Seen},
    ProgIdEntry{Creatable::Folder, Kind::Folder, "MetaFrameCOM.MetaFrameFolder", Status::Chosen},
    ProgIdEntry{Creatable::Binding, Kind::Binding, "MetaFrameCOM.MetaFrameAppSrvBinding",
                Status::Chosen},
    ProgIdEntry{Creatable::User, Kind::Account, "MetaFrameCOM.MetaFrameUser", Status::Chosen},
    ProgIdEntry{Creatable::Group, Kind::Account, "MetaFrameCOM.MetaFrameGroup", Status::Chosen},
    ProgIdEntry{Creatable::Credential, Kind::Credential, "MetaFrameCOM.MetaFrameCredential",
                Status::Chosen},
};

constexpr const Member& MemberOf(Op op) {
    return kMembers[static_cast<size_t>(op)];
}
constexpr const ProgIdEntry& ProgIdOf(Creatable c) {
    return kProgIds[static_cast<size_t>(c)];
}

// Automation names compare without regard to (ASCII) case.
constexpr bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The member of an object kind with that name, or nullptr.
constexpr const Member* FindMember(Kind object, std::string_view name) {
    for (const Member& m : kMembers) {
        if (m.object == object && SameName(m.name, name)) {
            return &m;
        }
    }
    return nullptr;
}

// The DISPID under which the lab server answers a member: its place in the table, from 1;
// the enumerator keeps its standard one.
constexpr int32_t LabDispidOf(Op op) {
    return op == Op::CollectionNewEnum ? kNewEnumDispid : static_cast<int32_t>(op) + 1;
}

constexpr const Member* LabMemberOfDispid(Kind object, int32_t dispid) {
    for (const Member& m : kMembers) {
        if (m.object == object && LabDispidOf(m.op) == dispid) {
            return &m;
        }
    }
    return nullptr;
}

namespace detail {
constexpr bool TableIsSound() {
    for (size_t i = 0; i < kMembers.size(); ++i) {
        if (static_cast<size_t>(kMembers[i].op) != i) {
            return false;  // rows out of the order of Op
        }
        for (size_t j = i + 1; j < kMembers.size(); ++j) {
            if (kMembers[i].object == kMembers[j].object &&
                SameName(kMembers[i].name, kMembers[j].name)) {
                return false;  // one name twice on one object
            }
        }
        for (char a : kMembers[i].args) {
            if (a != 'n' && a != 's' && a != 'b' && a != 'o') {
                return false;
            }
        }
    }
    for (size_t i = 0; i < kProgIds.size(); ++i) {
        if (static_cast<size_t>(kProgIds[i].creatable) != i) {
            return false;
        }
    }
    return true;
}
}  // namespace detail
static_assert(detail::TableIsSound(), "member table: order, unique names per object, arguments");

// The first DISPID the lab server hands out for settings reached by name.
inline constexpr int32_t kFirstSettingDispid = 1000;
static_assert(kMembers.size() < static_cast<size_t>(kFirstSettingDispid));

}  // namespace mfcom
