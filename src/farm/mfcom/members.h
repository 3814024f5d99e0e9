// Every member name the program calls on the farm's automation objects, in one table, used
// by the late-bound client, the farm interface check and the lab farm's COM server alike. A
// name found wrong on a real farm is corrected here, in one line. Portable: no Windows types.
//
// Each row says three things. Its form: Described, the form the program's own operations
// call first; Fallback, a form tried only in place of another. Its evidence: Seen, used so by
// public scripts or the vendor's material for the real object model; Chosen, no public trace,
// our best reading. Its alternative: another form of the same operation, tried when the farm
// does not know the row's own form (a failure that changed nothing). An alternative on
// another object stands for public use's way of doing the same: AppInitialize in place of
// FarmAddApplication means creating MetaFrameApplication by its ProgID and initialising it,
// FarmGetRootFolder in place of FolderInitialize reaching the folder from the farm's root
// folder, one GetSubFolder at a time.
//
// Not in the table: the settings of the Windows-farm and Windows-application views, which
// are reached by the farm-file key names themselves (any name those two views are asked for),
// except EnableApp, which public use sets on the application itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace mfcom {

// The automation objects. User and Group are the objects created to add an account and the
// entries of an application's Users and Groups; every collection answers to Collection.
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
    User,
    Group,
    Credential,
    Collection,
};

// The kind's name as reports and the lab's settings write it ("WinServer", "User").
constexpr std::string_view KindName(Kind kind) {
    constexpr std::array<std::string_view, 13> names{
        "Farm",   "Zone",    "Server", "Application", "WinFarm",    "WinServer", "WinApp",
        "Folder", "Binding", "User",   "Group",       "Credential", "Collection"};
    return names[static_cast<size_t>(kind)];
}

enum class Access : uint8_t {
    Get,       // property get
    Method,    // method call
    Property,  // property get and put
};

enum class Evidence : uint8_t { Seen, Chosen };

enum class Form : uint8_t { Described, Fallback };

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
    WinServerVerMajor,
    WinServerVerMinor,
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
    AppAddUser,
    AppAddGroup,
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
    UserInitialize,
    UserInitializeFour,
    UserAAType,
    UserAccountType,
    UserAAName,
    UserUserName,
    UserAccountName,
    GroupInitialize,
    GroupInitializeFour,
    GroupAAType,
    GroupAccountType,
    GroupAAName,
    GroupGroupName,
    GroupAccountName,
    CollectionCount,
    CollectionNewEnum,
    FarmGetRootFolder,
    FolderGetSubFolder,
    AppEnableApp,
    WinAppEnableApp,
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
    Evidence evidence;
    // The form to try when the farm does not know this one; none when there is nothing to
    // fall back on.
    std::optional<Op> alternative = std::nullopt;
    Form form = Form::Described;
};

// In the order of Op.
inline constexpr std::array kMembers{
    // clang-format off
    Member{Op::FarmInitialize,                Kind::Farm,        "Initialize",            Access::Method, "n",     '-', Evidence::Seen},
    Member{Op::FarmName,                      Kind::Farm,        "FarmName",              Access::Get,    "",      's', Evidence::Seen},
    Member{Op::FarmZones,                     Kind::Farm,        "Zones",                 Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::FarmServers,                   Kind::Farm,        "Servers",               Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::FarmApplications,              Kind::Farm,        "Applications",          Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::FarmWinFarmObject,             Kind::Farm,        "WinFarmObject",         Access::Get,    "",      'o', Evidence::Seen},
    Member{Op::FarmAddApplication,            Kind::Farm,        "AddApplication",        Access::Method, "n",     'o', Evidence::Chosen, Op::AppInitialize},
    Member{Op::FarmGetApplication,            Kind::Farm,        "GetApplication",        Access::Method, "ns",    'o', Evidence::Chosen, Op::AppInitialize},
    Member{Op::FarmGetServer,                 Kind::Farm,        "GetServer",             Access::Method, "ns",    'o', Evidence::Chosen, Op::ServerInitialize},
    Member{Op::ZoneName,                      Kind::Zone,        "ZoneName",              Access::Get,    "",      's', Evidence::Seen},
    Member{Op::ZoneDataCollector,             Kind::Zone,        "DataCollector",         Access::Get,    "",      's', Evidence::Seen},
    Member{Op::WinFarmIsCitrixAdministrator,  Kind::WinFarm,     "IsCitrixAdministrator", Access::Get,    "",      'v', Evidence::Seen},
    Member{Op::ServerInitialize,              Kind::Server,      "Initialize",            Access::Method, "ns",    '-', Evidence::Seen},
    Member{Op::ServerName,                    Kind::Server,      "ServerName",            Access::Get,    "",      's', Evidence::Seen},
    Member{Op::ServerApplications,            Kind::Server,      "Applications",          Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::ServerWinServerObject,         Kind::Server,      "WinServerObject",       Access::Get,    "",      'o', Evidence::Seen},
    Member{Op::WinServerVerMajor,             Kind::WinServer,   "WinNTVerMajor",         Access::Get,    "",      'n', Evidence::Seen},
    Member{Op::WinServerVerMinor,             Kind::WinServer,   "WinNTVerMinor",         Access::Get,    "",      'n', Evidence::Seen},
    Member{Op::AppInitialize,                 Kind::Application, "Initialize",            Access::Method, "ns",    '-', Evidence::Seen},
    Member{Op::AppLoadData,                   Kind::Application, "LoadData",              Access::Method, "b",     '-', Evidence::Seen},
    Member{Op::AppSaveData,                   Kind::Application, "SaveData",              Access::Method, "",      '-', Evidence::Seen},
    Member{Op::AppName,                       Kind::Application, "AppName",               Access::Get,    "",      's', Evidence::Seen},
    Member{Op::AppDistinguishedName,          Kind::Application, "DistinguishedName",     Access::Get,    "",      's', Evidence::Seen},
    Member{Op::AppDescription,                Kind::Application, "Description",           Access::Get,    "",      's', Evidence::Seen},
    Member{Op::AppServers,                    Kind::Application, "Servers",               Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::AppUsers,                      Kind::Application, "Users",                 Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::AppGroups,                     Kind::Application, "Groups",                Access::Get,    "",      'c', Evidence::Seen},
    Member{Op::AppWinAppObject,               Kind::Application, "WinAppObject",          Access::Get,    "",      'o', Evidence::Seen},
    Member{Op::AppAddServer,                  Kind::Application, "AddServer",             Access::Method, "o",     '-', Evidence::Seen},
    Member{Op::AppRemoveServer,               Kind::Application, "RemoveServer",          Access::Method, "s",     '-', Evidence::Seen},
    Member{Op::AppDelete,                     Kind::Application, "Delete",                Access::Method, "",      '-', Evidence::Chosen},
    Member{Op::AppAddUser,                    Kind::Application, "AddUser",               Access::Method, "nsns",  '-', Evidence::Seen, std::nullopt, Form::Fallback},
    Member{Op::AppAddGroup,                   Kind::Application, "AddGroup",              Access::Method, "nsns",  '-', Evidence::Chosen, std::nullopt, Form::Fallback},
    Member{Op::WinAppSaveData,                Kind::WinApp,      "SaveData",              Access::Method, "",      '-', Evidence::Chosen, Op::AppSaveData},
    Member{Op::WinAppAddServer,               Kind::WinApp,      "AddServer",             Access::Method, "o",     '-', Evidence::Chosen, Op::AppAddServer},
    Member{Op::WinAppRemoveServer,            Kind::WinApp,      "RemoveServer",          Access::Method, "s",     '-', Evidence::Chosen, Op::AppRemoveServer},
    Member{Op::WinAppAddUser,                 Kind::WinApp,      "AddUser",               Access::Method, "o",     '-', Evidence::Chosen, Op::AppAddUser},
    Member{Op::WinAppAddGroup,                Kind::WinApp,      "AddGroup",              Access::Method, "o",     '-', Evidence::Chosen, Op::AppAddGroup},
    Member{Op::WinAppWriteIconToFile,         Kind::WinApp,      "WriteIconToFile",       Access::Method, "s",     '-', Evidence::Chosen},
    Member{Op::WinAppLoadIconFromFile,        Kind::WinApp,      "LoadIconFromFile",      Access::Method, "sn",    '-', Evidence::Chosen},
    Member{Op::FolderInitialize,              Kind::Folder,      "Initialize",            Access::Method, "ns",    '-', Evidence::Chosen, Op::FarmGetRootFolder},
    Member{Op::FolderAddSubFolder,            Kind::Folder,      "AddSubFolder",          Access::Method, "s",     '-', Evidence::Chosen},
    Member{Op::BindingInitialize,             Kind::Binding,     "Initialize",            Access::Method, "nss",   '-', Evidence::Seen},
    Member{Op::BindingServerName,             Kind::Binding,     "ServerName",            Access::Get,    "",      's', Evidence::Seen},
    Member{Op::UserInitialize,                Kind::User,        "Initialize",            Access::Method, "nsnso", '-', Evidence::Chosen, Op::UserInitializeFour},
    Member{Op::UserInitializeFour,            Kind::User,        "Initialize",            Access::Method, "nsns",  '-', Evidence::Seen, std::nullopt, Form::Fallback},
    Member{Op::UserAAType,                    Kind::User,        "AAType",                Access::Get,    "",      'n', Evidence::Chosen},
    Member{Op::UserAccountType,               Kind::User,        "AccountType",           Access::Get,    "",      'n', Evidence::Chosen},
    Member{Op::UserAAName,                    Kind::User,        "AAName",                Access::Get,    "",      's', Evidence::Seen},
    Member{Op::UserUserName,                  Kind::User,        "UserName",              Access::Get,    "",      's', Evidence::Seen, Op::UserAccountName},
    Member{Op::UserAccountName,               Kind::User,        "AccountName",           Access::Get,    "",      's', Evidence::Chosen, std::nullopt, Form::Fallback},
    Member{Op::GroupInitialize,               Kind::Group,       "Initialize",            Access::Method, "nsnso", '-', Evidence::Chosen, Op::GroupInitializeFour},
    Member{Op::GroupInitializeFour,           Kind::Group,       "Initialize",            Access::Method, "nsns",  '-', Evidence::Chosen, std::nullopt, Form::Fallback},
    Member{Op::GroupAAType,                   Kind::Group,       "AAType",                Access::Get,    "",      'n', Evidence::Chosen},
    Member{Op::GroupAccountType,              Kind::Group,       "AccountType",           Access::Get,    "",      'n', Evidence::Chosen},
    Member{Op::GroupAAName,                   Kind::Group,       "AAName",                Access::Get,    "",      's', Evidence::Seen},
    Member{Op::GroupGroupName,                Kind::Group,       "GroupName",             Access::Get,    "",      's', Evidence::Seen, Op::GroupAccountName},
    Member{Op::GroupAccountName,              Kind::Group,       "AccountName",           Access::Get,    "",      's', Evidence::Chosen, std::nullopt, Form::Fallback},
    Member{Op::CollectionCount,               Kind::Collection,  "Count",                 Access::Get,    "",      'n', Evidence::Seen},
    // The standard enumerator member; always reached by its fixed DISPID, never by name.
    Member{Op::CollectionNewEnum,            Kind::Collection,  "_NewEnum",              Access::Get,    "",      'e', Evidence::Seen},
    // Folders as public use reaches them: the root folder of a type, then one level at a time.
    Member{Op::FarmGetRootFolder,             Kind::Farm,        "GetRootFolder",         Access::Method, "n",     'o', Evidence::Seen, std::nullopt, Form::Fallback},
    Member{Op::FolderGetSubFolder,            Kind::Folder,      "GetSubFolder",          Access::Method, "s",     'o', Evidence::Seen, std::nullopt, Form::Fallback},
    // EnableApp is the application's own property in public use; the view's is chosen.
    Member{Op::AppEnableApp,                  Kind::Application, "EnableApp",             Access::Property, "",    'n', Evidence::Seen, std::nullopt, Form::Fallback},
    Member{Op::WinAppEnableApp,               Kind::WinApp,      "EnableApp",             Access::Property, "",    'v', Evidence::Chosen, Op::AppEnableApp},
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
    Evidence evidence;
};

inline constexpr std::array kProgIds{
    ProgIdEntry{Creatable::Farm, Kind::Farm, "MetaFrameCOM.MetaFrameFarm", Evidence::Seen},
    ProgIdEntry{Creatable::Server, Kind::Server, "MetaFrameCOM.MetaFrameServer", Evidence::Seen},
    ProgIdEntry{Creatable::Application, Kind::Application, "MetaFrameCOM.MetaFrameApplication",
                Evidence::Seen},
    ProgIdEntry{Creatable::Folder, Kind::Folder, "MetaFrameCOM.MetaFrameFolder", Evidence::Chosen},
    ProgIdEntry{Creatable::Binding, Kind::Binding, "MetaFrameCOM.MetaFrameAppSrvBinding",
                Evidence::Seen},
    ProgIdEntry{Creatable::User, Kind::User, "MetaFrameCOM.MetaFrameUser", Evidence::Seen},
    ProgIdEntry{Creatable::Group, Kind::Group, "MetaFrameCOM.MetaFrameGroup", Evidence::Chosen},
    ProgIdEntry{Creatable::Credential, Kind::Credential, "MetaFrameCOM.MetaFrameCredential",
                Evidence::Chosen},
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

// The first member of an object kind with that name (its longest form comes first), or
// nullptr.
constexpr const Member* FindMember(Kind object, std::string_view name) {
    for (const Member& m : kMembers) {
        if (m.object == object && SameName(m.name, name)) {
            return &m;
        }
    }
    return nullptr;
}

namespace detail {
constexpr bool TableIsSound() {
    for (size_t i = 0; i < kMembers.size(); ++i) {
        const Member& m = kMembers[i];
        if (static_cast<size_t>(m.op) != i) {
            return false;  // rows out of the order of Op
        }
        for (size_t j = i + 1; j < kMembers.size(); ++j) {
            const Member& other = kMembers[j];
            if (m.object == other.object && SameName(m.name, other.name) &&
                (m.args.size() <= other.args.size() || m.access != other.access)) {
                return false;  // one name twice on one object, other than a shorter form
            }
        }
        for (char a : m.args) {
            if (a != 'n' && a != 's' && a != 'b' && a != 'o') {
                return false;
            }
        }
        if (m.alternative && (*m.alternative == m.op || MemberOf(*m.alternative).alternative)) {
            return false;  // an alternative is a plain member of its own
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
static_assert(detail::TableIsSound(),
              "member table: order, names per object, arguments, alternatives");

}  // namespace mfcom
