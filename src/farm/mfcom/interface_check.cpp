#include "farm/mfcom/interface_check.h"

#include <algorithm>
#include <memory>
#include <sstream>
#include <utility>

#include "farm/mfcom/com.h"
#include "farm/mfcom/dispatch.h"
#include "farm/mfcom/type_library.h"
#include "win/com.h"
#include "win/registry.h"
#include "win/system_message.h"
#include "win/text.h"

namespace mfcom {

namespace {

constexpr size_t kKindCount = static_cast<size_t>(Kind::Collection) + 1;
// How many applications the check reads at most to find a user entry and a group entry.
constexpr size_t kApplicationsToSearch = 200;

struct CommandRow {
    Command command;
    std::string_view name;
    std::vector<Op> members;
};

// What each command calls, as the procedures and windows behind it do. Alternatives are not
// listed: a member's alternative serves where the member is unknown.
const std::vector<CommandRow>& CommandTable() {
    static const std::vector<CommandRow> table = [] {
        const std::vector<Op> openFarm{Op::FarmInitialize};
        auto with = [&](std::vector<Op> ops) {
            ops.insert(ops.begin(), openFarm.begin(), openFarm.end());
            std::sort(ops.begin(), ops.end());
            ops.erase(std::unique(ops.begin(), ops.end()), ops.end());
            return ops;
        };
        const std::vector<Op> openApplication{Op::AppInitialize, Op::AppLoadData};
        auto plus = [](std::vector<Op> a, const std::vector<Op>& b) {
            a.insert(a.end(), b.begin(), b.end());
            return a;
        };
        return std::vector<CommandRow>{
            {Command::Logon, "Logon",
             with({Op::FarmWinFarmObject, Op::WinFarmIsCitrixAdministrator})},
            {Command::FarmView, "Farm view",
             with({Op::FarmName, Op::FarmZones, Op::ZoneName, Op::ZoneDataCollector,
                   Op::FarmServers, Op::CollectionCount})},
            {Command::ApplicationsView, "Applications view",
             with({Op::FarmApplications, Op::AppDistinguishedName})},
            {Command::ServersView, "Servers view", with({Op::FarmServers, Op::ServerName})},
            {Command::ExportFarm, "Export Farm",
             with({Op::FarmName,
                   Op::FarmWinFarmObject,
                   Op::FarmApplications,
                   Op::AppName,
                   Op::AppDistinguishedName,
                   Op::AppDescription,
                   Op::AppServers,
                   Op::AppUsers,
                   Op::AppGroups,
                   Op::AppWinAppObject,
                   Op::BindingServerName,
                   Op::UserAAType,
                   Op::UserAccountType,
                   Op::UserAAName,
                   Op::UserUserName,
                   Op::GroupAAType,
                   Op::GroupAccountType,
                   Op::GroupAAName,
                   Op::GroupGroupName,
                   Op::WinAppEnableApp,
                   Op::WinAppWriteIconToFile})},
            {Command::ImportFarm, "Import Farm",
             with({Op::FarmWinFarmObject, Op::FarmAddApplication, Op::FarmGetApplication,
                   Op::AppName, Op::AppDistinguishedName, Op::AppWinAppObject, Op::AppDelete,
                   Op::AppLoadData, Op::AppSaveData, Op::WinAppAddServer, Op::WinAppAddUser,
                   Op::WinAppAddGroup, Op::WinAppEnableApp, Op::WinAppLoadIconFromFile,
                   Op::FolderInitialize, Op::FolderAddSubFolder, Op::BindingInitialize,
                   Op::UserInitialize, Op::GroupInitialize})},
            {Command::TakeOffline, "Take offline",
             with({Op::FarmGetServer, Op::ServerName, Op::ServerApplications,
                   Op::ServerWinServerObject, Op::WinServerVerMajor, Op::WinServerVerMinor,
                   Op::AppDistinguishedName, Op::AppRemoveServer, Op::AppSaveData})},
            {Command::BringOnline, "Bring online",
             plus({Op::ServerInitialize, Op::BindingInitialize, Op::AppAddServer, Op::AppSaveData},
                  openApplication)},
            {Command::Clone, "Clone",
             with({Op::FarmServers, Op::ServerName, Op::ServerInitialize, Op::ServerApplications,
                   Op::AppLoadData, Op::AppDistinguishedName, Op::BindingInitialize,
                   Op::AppAddServer, Op::AppSaveData})},
            {Command::Publish, "Publish",
             with(plus({Op::FarmServers, Op::ServerName, Op::BindingInitialize, Op::AppAddServer,
                        Op::AppSaveData},
                       openApplication))},
            {Command::Unpublish, "Unpublish",
             with(plus({Op::FarmServers, Op::ServerName, Op::AppRemoveServer, Op::AppSaveData},
                       openApplication))},
            {Command::Options, "Options",
             plus({Op::AppWinAppObject, Op::WinAppSaveData}, openApplication)},
        };
    }();
    return table;
}

const CommandRow& RowOf(Command command) {
    return CommandTable()[static_cast<size_t>(command)];
}

// How a report names an object.
std::string_view ObjectName(Kind kind) {
    constexpr std::array<std::string_view, kKindCount> names{
        "the farm object",    "a zone",          "the server object",    "the application object",
        "the farm view",      "the server view", "the application view", "the folder object",
        "the binding object", "the user object", "the group object",     "the credential object",
        "a collection"};
    return names[static_cast<size_t>(kind)];
}

// The member shares its name with another form of it (Initialize with and without the
// credential): a name alone does not tell which forms the object takes.
bool HasOtherForm(const Member& member) {
    return std::any_of(kMembers.begin(), kMembers.end(), [&](const Member& other) {
        return other.op != member.op && other.object == member.object &&
               SameName(other.name, member.name);
    });
}

std::string MemberText(const Member& member) {
    std::string text(member.name);
    if (HasOtherForm(member)) {
        text += " with " + std::to_string(member.args.size()) + " arguments";
    }
    return text;
}

Presence Effective(const MemberFinding& finding) {
    const Member& member = MemberOf(finding.op);
    if (HasOtherForm(member) && finding.live == Presence::Known &&
        finding.declared != Presence::NotReached) {
        return finding.declared;
    }
    return finding.live != Presence::NotReached ? finding.live : finding.declared;
}

std::string_view PresenceText(Presence presence) {
    switch (presence) {
        case Presence::Known:
            return "known";
        case Presence::Unknown:
            return "UNKNOWN";
        case Presence::NotReached:
            return "-";
    }
    return "-";
}

// ---- Type information -------------------------------------------------------------------

std::optional<MEMBERID> DeclaredId(ITypeInfo& info, std::string_view name) {
    win::Bstr wide(name);
    LPOLESTR names[] = {wide.Get()};
    MEMBERID id = MEMBERID_NIL;
    if (FAILED(info.GetIDsOfNames(names, 1, &id))) {
        return std::nullopt;
    }
    return id;
}

// The arguments a function takes, without a trailing [out, retval].
int VisibleParams(const FUNCDESC& desc) {
    int count = desc.cParams;
    if (count > 0 &&
        (desc.lprgelemdescParam[count - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) {
        --count;
    }
    return count;
}

bool TakesArguments(const FUNCDESC& desc, size_t count) {
    const int all = VisibleParams(desc);
    const int optional = desc.cParamsOpt < 0 ? all : desc.cParamsOpt;
    int required = all - optional;
    for (int i = 0; i < all; ++i) {
        if (desc.lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FOPT) {
            required = std::min(required, i);
            break;
        }
    }
    const int n = static_cast<int>(count);
    return n >= required && (desc.cParamsOpt < 0 || n <= all);
}

Presence Declared(ITypeInfo* info, const Member& member) {
    if (!info) {
        return Presence::NotReached;
    }
    const std::optional<MEMBERID> id = DeclaredId(*info, member.name);
    if (!id) {
        return Presence::Unknown;
    }
    const win::TypeAttr attr(*info);
    if (!attr) {
        return Presence::NotReached;
    }
    if (member.access != Access::Method && member.args.empty()) {
        for (UINT i = 0; i < attr->cVars; ++i) {
            const win::VarDesc var(*info, i);
            if (var && var->memid == *id) {
                return Presence::Known;
            }
        }
    }
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        const win::FuncDesc desc(*info, i);
        if (desc && desc->memid == *id && (desc->invkind & (INVOKE_FUNC | INVOKE_PROPERTYGET)) &&
            TakesArguments(*desc, member.args.size())) {
            return Presence::Known;
        }
    }
    return Presence::Unknown;  // declared, but not with these arguments
}

// The type information of what a property or method returns, when the library says.
win::ComPtr<ITypeInfo> ReturnedType(ITypeInfo* info, std::string_view name) {
    if (!info) {
        return {};
    }
    const std::optional<MEMBERID> id = DeclaredId(*info, name);
    const win::TypeAttr attr(*info);
    if (!id || !attr) {
        return {};
    }
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        const win::FuncDesc desc(*info, i);
        if (!desc || desc->memid != *id) {
            continue;
        }
        const TYPEDESC* type = &desc->elemdescFunc.tdesc;
        const int params = desc->cParams;
        if (params > 0 &&
            (desc->lprgelemdescParam[params - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) {
            type = &desc->lprgelemdescParam[params - 1].tdesc;
        }
        while (type->vt == VT_PTR) {
            type = type->lptdesc;
        }
        win::ComPtr<ITypeInfo> returned;
        if (type->vt == VT_USERDEFINED &&
            SUCCEEDED(info->GetRefTypeInfo(type->hreftype, returned.Put()))) {
            return returned;
        }
    }
    return {};
}

// The default interface of a coclass.
win::ComPtr<ITypeInfo> DefaultInterface(ITypeInfo& coclass) {
    const win::TypeAttr attr(coclass);
    if (!attr || attr->typekind != TKIND_COCLASS) {
        return {};
    }
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        win::ComPtr<ITypeInfo> found;
        if (SUCCEEDED(coclass.GetImplTypeFlags(i, &flags)) && (flags & IMPLTYPEFLAG_FDEFAULT) &&
            SUCCEEDED(coclass.GetRefTypeOfImplType(i, &ref)) &&
            SUCCEEDED(coclass.GetRefTypeInfo(ref, found.Put()))) {
            return found;
        }
    }
    return {};
}

// ---- The probe --------------------------------------------------------------------------

class Probe {
  public:
    explicit Probe(CheckReport& report) : report_(report) {}

    void ReadTypeLibrary();
    void CreateClasses();
    void ReachFarm();

    Presence Live(Kind kind, std::string_view name) const;
    ITypeInfo* DeclaredType(Kind kind) const { return declared_[Index(kind)].Get(); }

  private:
    static size_t Index(Kind kind) { return static_cast<size_t>(kind); }
    void Keep(Kind kind, win::ComPtr<IDispatch> object) {
        if (object) {
            live_[Index(kind)].push_back(std::move(object));
        }
    }
    // The object a member of the table returns, kept as an object of `kind`.
    win::ComPtr<IDispatch> Get(Dispatch& from, Op op, Kind kind,
                               std::initializer_list<Arg> args = {}) {
        win::Variant value = from.Call(op, args);
        win::ComPtr<IDispatch> object = ToDispatch(value.Get());
        Keep(kind, object);
        return object;
    }
    void ReachApplications(Dispatch& farm);

    CheckReport& report_;
    std::shared_ptr<Session> session_ = std::make_shared<Session>();
    std::array<std::vector<win::ComPtr<IDispatch>>, kKindCount> live_;
    std::array<win::ComPtr<ITypeInfo>, kKindCount> declared_;
    win::ComPtr<IDispatch> farm_;
    Constants constants_;
};

void Probe::ReadTypeLibrary() {
    FarmTypeLibrary found = LoadFarmTypeLibrary();
    report_.typeLibrary = found.description;
    report_.constants = Constants::From(found.library.Get());
    constants_ = report_.constants;
    if (found.library) {
        for (const ProgIdEntry& entry : kProgIds) {
            CLSID clsid{};
            win::ComPtr<ITypeInfo> coclass;
            if (SUCCEEDED(CLSIDFromProgID(win::Widen(entry.progId).c_str(), &clsid)) &&
                SUCCEEDED(found.library->GetTypeInfoOfGuid(clsid, coclass.Put()))) {
                declared_[Index(entry.kind)] = DefaultInterface(*coclass.Get());
            }
        }
    }
    // The views and collections, as the library types what returns them.
    declared_[Index(Kind::WinFarm)] = ReturnedType(DeclaredType(Kind::Farm), "WinFarmObject");
    declared_[Index(Kind::WinServer)] = ReturnedType(DeclaredType(Kind::Server), "WinServerObject");
    declared_[Index(Kind::WinApp)] = ReturnedType(DeclaredType(Kind::Application), "WinAppObject");
    declared_[Index(Kind::Collection)] = ReturnedType(DeclaredType(Kind::Farm), "Servers");
}

void Probe::CreateClasses() {
    for (const ProgIdEntry& entry : kProgIds) {
        ClassFinding& found = report_.classes.emplace_back();
        found.creatable = entry.creatable;
        CLSID clsid{};
        HRESULT hr = CLSIDFromProgID(win::Widen(entry.progId).c_str(), &clsid);
        if (FAILED(hr)) {
            found.note = "not registered";
            continue;
        }
        found.registered = true;
        win::ComPtr<IDispatch> object;
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, reinterpret_cast<void**>(object.Put()));
        if (FAILED(hr)) {
            found.note = "cannot be created: " + win::SystemMessage(hr);
            continue;
        }
        found.created = true;
        if (entry.creatable == Creatable::Farm) {
            farm_ = object;
        }
        Keep(entry.kind, std::move(object));
    }
}

void Probe::ReachFarm() {
    if (!farm_) {
        report_.farm = "not reached: no farm object";
        return;
    }
    Dispatch farm(session_, Type::Farm, farm_);
    try {
        farm.Call(Op::FarmInitialize, {constants_.ObjectType(farm::kWinFarmObject)});
        report_.farm = ToText(farm.Call(Op::FarmName).Get());
    } catch (const farm::FarmError& e) {
        report_.farm = "not reached: " + std::string(e.description()) + " (" +
                       std::to_string(e.number()) + ")";
        return;
    }
    // Each step reaches what it can; one that fails leaves the rest to the type library.
    auto attempt = [](auto&& step) {
        try {
            step();
        } catch (const farm::FarmError&) {
            // That object stays unreached; the report says so per member.
        }
    };
    attempt([&] { Get(farm, Op::FarmWinFarmObject, Kind::WinFarm); });
    attempt([&] {
        Dispatch zones(session_, Type::Zones, Get(farm, Op::FarmZones, Kind::Collection));
        for (auto& zone : zones.Enumerate()) {
            Keep(Kind::Zone, std::move(zone));
            break;
        }
    });
    attempt([&] {
        Dispatch servers(session_, Type::Servers, Get(farm, Op::FarmServers, Kind::Collection));
        for (auto& item : servers.Enumerate()) {
            Dispatch server(session_, Type::Server, item);
            Keep(Kind::Server, std::move(item));
            Get(server, Op::ServerWinServerObject, Kind::WinServer);
            break;
        }
    });
    attempt([&] { ReachApplications(farm); });
    // Folders as public use reaches them, where the folder class gave no object.
    attempt([&] {
        Get(farm, Op::FarmGetRootFolder, Kind::Folder,
            {constants_.FolderType(farm::kApplicationFolder)});
    });
}

void Probe::ReachApplications(Dispatch& farm) {
    Dispatch applications(session_, Type::Applications,
                          Get(farm, Op::FarmApplications, Kind::Collection));
    bool user = false;
    bool group = false;
    size_t read = 0;
    for (auto& item : applications.Enumerate()) {
        if (read++ == kApplicationsToSearch || (user && group)) {
            break;
        }
        Dispatch listed(session_, Type::Application, item);
        if (read == 1) {
            // A loaded application, as the commands open one, and its view.
            const std::string name = ToText(listed.Call(Op::AppDistinguishedName).Get());
            auto created = live_[Index(Kind::Application)];
            if (!created.empty()) {
                Dispatch application(session_, Type::Application, created.front());
                application.Call(Op::AppInitialize, {constants_.ObjectType(farm::kWinAppObject),
                                                     std::string_view(name)});
                application.Call(Op::AppLoadData, {true});
                Get(application, Op::AppWinAppObject, Kind::WinApp);
            }
            Keep(Kind::Application, item);
        }
        for (auto [op, type, kind, found] :
             {std::tuple{Op::AppUsers, Type::Users, Kind::User, &user},
              std::tuple{Op::AppGroups, Type::Groups, Kind::Group, &group}}) {
            if (*found) {
                continue;
            }
            Dispatch entries(session_, type, Get(listed, op, Kind::Collection));
            for (auto& entry : entries.Enumerate()) {
                Keep(kind, std::move(entry));
                *found = true;
                break;
            }
        }
    }
}

Presence Probe::Live(Kind kind, std::string_view name) const {
    const auto& objects = live_[Index(kind)];
    if (objects.empty()) {
        return Presence::NotReached;
    }
    win::Bstr wide(name);
    for (const auto& object : objects) {
        LPOLESTR names[] = {wide.Get()};
        DISPID id = DISPID_UNKNOWN;
        if (object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) == S_OK) {
            return Presence::Known;
        }
    }
    return Presence::Unknown;
}

// ---- Verdicts ---------------------------------------------------------------------------

struct Outcome {
    Readiness readiness = Readiness::Ready;
    std::string reason;

    // The first reason of the gravest kind stands.
    void Add(Readiness found, std::string why) {
        if (found > readiness) {
            readiness = found;
            reason = std::move(why);
        }
    }
};

// The commands that call a member, or call it in place of the member it stands in for.
std::string NeededBy(Op op) {
    std::string commands;
    for (size_t c = 0; c < kCommandCount; ++c) {
        const auto command = static_cast<Command>(c);
        for (Op called : MembersCalledBy(command)) {
            const bool instead = MemberOf(called).alternative == op;
            if (called == op || instead) {
                commands += (commands.empty() ? "" : ", ") + std::string(CommandName(command));
                if (instead) {
                    const Member& replaced = MemberOf(called);
                    commands += " (in place of " + std::string(ObjectName(replaced.object)) +
                                "'s " + MemberText(replaced) + ")";
                }
                break;
            }
        }
    }
    return commands;
}

std::string UnknownText(const Member& member) {
    return std::string(ObjectName(member.object)) + " has no " + MemberText(member);
}

std::string NotReachedText(const Member& member) {
    return std::string(ObjectName(member.object)) + " could not be reached to ask for " +
           MemberText(member);
}

}  // namespace

std::string_view CommandName(Command command) {
    return RowOf(command).name;
}

std::vector<Op> MembersCalledBy(Command command) {
    return RowOf(command).members;
}

bool SettingNeed::Needed(Command command) const {
    const auto has = [command](const std::vector<Command>& list) {
        return std::find(list.begin(), list.end(), command) != list.end();
    };
    return has(commands) && !has(goOnWithout);
}

bool CheckReport::AllReady() const {
    return std::all_of(verdicts.begin(), verdicts.end(),
                       [](const Verdict& v) { return v.readiness == Readiness::Ready; });
}

void Judge(CheckReport& report) {
    auto findingOf = [&](Op op) -> const MemberFinding& {
        return report.members[static_cast<size_t>(op)];
    };
    for (size_t c = 0; c < kCommandCount; ++c) {
        const auto command = static_cast<Command>(c);
        Outcome outcome;
        for (Op op : MembersCalledBy(command)) {
            const Member& member = MemberOf(op);
            const Presence own = Effective(findingOf(op));
            const std::optional<Op> alternative = member.alternative;
            const Presence other =
                alternative ? Effective(findingOf(*alternative)) : Presence::Unknown;
            if (own == Presence::Known || other == Presence::Known) {
                continue;
            }
            std::string why =
                own == Presence::Unknown ? UnknownText(member) : NotReachedText(member);
            if (alternative) {
                const Member& public_form = MemberOf(*alternative);
                why += other == Presence::Unknown ? ", and " + UnknownText(public_form)
                                                  : ", and " + NotReachedText(public_form);
            }
            const bool fails = own == Presence::Unknown && other == Presence::Unknown;
            outcome.Add(fails ? Readiness::WillFail : Readiness::Unverified, std::move(why));
        }
        for (const SettingFinding& setting : report.settings) {
            if (setting.live == Presence::Known || !setting.need.Needed(command)) {
                continue;
            }
            const std::string object(ObjectName(setting.need.view));
            if (setting.live == Presence::Unknown) {
                outcome.Add(Readiness::WillFail, object + " has no " + setting.need.name);
            } else {
                outcome.Add(Readiness::Unverified,
                            object + " could not be reached to ask for " + setting.need.name);
            }
        }
        report.verdicts[c] = Verdict{command, outcome.readiness, outcome.reason};
    }
}

std::string CheckReport::Text() const {
    std::ostringstream out;
    auto line = [&out](const std::string& text = {}) { out << text << "\r\n"; };
    auto pad = [](std::string text, size_t width) {
        if (text.size() < width) {
            text.resize(width, ' ');
        }
        return text + " ";
    };
    line("Farm interface check");
    line();
    line("Type library: " + typeLibrary);
    line("Farm: " + farm);
    line();
    line("Commands");
    for (const Verdict& verdict : verdicts) {
        std::string text = "  " + std::string(CommandName(verdict.command)) + ": ";
        switch (verdict.readiness) {
            case Readiness::Ready:
                text += "ready";
                break;
            case Readiness::WillFail:
                text += "will fail: " + verdict.reason;
                break;
            case Readiness::Unverified:
                text += "not verified: " + verdict.reason;
                break;
        }
        line(text);
    }
    line();
    line("Constants");
    for (const ConstantRow& row : kConstants) {
        std::string source;
        switch (constants.Source(row.constant)) {
            case ConstantSource::TypeLibrary:
                source = "from the type library";
                break;
            case ConstantSource::NoLibrary:
                source = "built in: no type library";
                break;
            case ConstantSource::NotNamed:
                source = "built in: the type library does not name it";
                break;
        }
        line("  " + pad(std::string(row.name), 34) +
             pad(std::to_string(constants.Value(row.constant)), 6) + source);
    }
    line();
    line("Classes");
    for (const ClassFinding& found : classes) {
        const ProgIdEntry& entry = ProgIdOf(found.creatable);
        line("  " + pad(std::string(entry.progId), 38) +
             (found.created ? std::string("created") : found.note));
    }
    line();
    line("Members (live: what an object answered; declared: what the type library says)");
    line("  " + pad("object", 22) + pad("member", 32) + pad("live", 8) + pad("declared", 9) +
         pad("evidence", 9) + pad("form", 10) + "needed by");
    for (const MemberFinding& found : members) {
        const Member& member = MemberOf(found.op);
        if (member.op == Op::CollectionNewEnum) {
            continue;  // reached by its fixed DISPID, never by name
        }
        const std::string commands = NeededBy(found.op);
        std::string object(ObjectName(member.object));
        if (object.rfind("the ", 0) == 0) {
            object.erase(0, 4);
        } else if (object.rfind("a ", 0) == 0) {
            object.erase(0, 2);
        }
        line("  " + pad(object, 22) + pad(MemberText(member), 32) +
             pad(std::string(PresenceText(found.live)), 8) +
             pad(std::string(PresenceText(found.declared)), 9) +
             pad(member.evidence == Evidence::Seen ? "public" : "chosen", 9) +
             pad(member.form == Form::Described ? "described" : "fallback", 10) +
             (commands.empty() ? "-" : commands));
    }
    line();
    line("Settings reached by name");
    for (Kind view : {Kind::WinFarm, Kind::WinApp}) {
        size_t known = 0;
        size_t total = 0;
        std::vector<std::string> missing;
        std::vector<std::string> unreached;
        for (const SettingFinding& setting : settings) {
            if (setting.need.view != view) {
                continue;
            }
            ++total;
            if (setting.live == Presence::Known) {
                ++known;
            } else if (setting.live == Presence::Unknown) {
                missing.push_back(setting.need.name);
            } else {
                unreached.push_back(setting.need.name);
            }
        }
        std::string text = "  " + std::string(ObjectName(view)) + ": " + std::to_string(known) +
                           " of " + std::to_string(total) + " known";
        if (!missing.empty()) {
            text += "; not on this farm:";
            for (size_t i = 0; i < missing.size(); ++i) {
                text += (i == 0 ? " " : ", ") + missing[i];
            }
        }
        if (!unreached.empty()) {
            text += "; not reached: " + std::to_string(unreached.size());
        }
        line(text);
    }
    return out.str();
}

CheckReport CheckFarmInterface(const std::vector<SettingNeed>& settings) {
    CheckReport report;
    Probe probe(report);
    probe.ReadTypeLibrary();
    probe.CreateClasses();
    probe.ReachFarm();
    for (const Member& member : kMembers) {
        MemberFinding& found = report.members.emplace_back(MemberFinding{member.op});
        if (member.op == Op::CollectionNewEnum) {
            found.live = Presence::Known;  // a standard DISPID
            continue;
        }
        found.live = probe.Live(member.object, member.name);
        found.declared = Declared(probe.DeclaredType(member.object), member);
    }
    for (const SettingNeed& need : settings) {
        if (FindMember(need.view, need.name)) {
            continue;  // a member of the table, judged with its alternative
        }
        report.settings.push_back(SettingFinding{need, probe.Live(need.view, need.name)});
    }
    Judge(report);
    return report;
}

}  // namespace mfcom
