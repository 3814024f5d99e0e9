#include "farm/mfcom/mfcom.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win/com.h"
#include "win/system_message.h"
#include "win/text.h"

namespace mfcom {

namespace {

// What every object of this backend is: one automation object of a known type.
class Object {
  public:
    virtual ~Object() = default;
    IDispatch* Raw() const { return d_.Get(); }

  protected:
    explicit Object(Dispatch d) : d_(std::move(d)) {}

    std::string Text(Op op) { return ToText(d_.Call(op).Get()); }
    // The farm's number for one of the program's type codes.
    int32_t ObjectType(int type) { return d_.session()->FarmConstants().ObjectType(type); }
    int32_t Number(Op op) { return ToNumber(d_.Call(op).Get()); }
    Dispatch Child(Op op, Type type, std::initializer_list<Arg> args = {}) {
        win::Variant v = d_.Call(op, args);
        return Dispatch(d_.session(), type, ToDispatch(v.Get()));
    }

    Dispatch d_;
};

// The automation object behind a farm interface object handed back to this backend.
template <class B>
IDispatch* RawOf(B& object) {
    if (auto* own = dynamic_cast<Object*>(&object)) {
        return own->Raw();
    }
    throw farm::FarmError(base::kErrTypeMismatch,
                          "Type mismatch: the object does not come from the farm's object model.");
}

template <class T>
class Collection final : public farm::Collection<T>, public Object {
  public:
    using Make = std::function<std::unique_ptr<T>(Dispatch)>;
    Collection(Dispatch d, Type itemType, Make make)
        : Object(std::move(d)), itemType_(itemType), make_(std::move(make)) {}

    int32_t Count() override { return Number(Op::CollectionCount); }
    std::vector<std::unique_ptr<T>> Items() override {
        std::vector<std::unique_ptr<T>> items;
        for (auto& object : d_.Enumerate()) {
            items.push_back(make_(Dispatch(d_.session(), itemType_, std::move(object))));
        }
        return items;
    }

  private:
    Type itemType_;
    Make make_;
};

template <class T, class Item>
std::unique_ptr<farm::Collection<T>> MakeCollection(Dispatch d, Type itemType) {
    return std::make_unique<Collection<T>>(std::move(d), itemType, [](Dispatch item) {
        return std::unique_ptr<T>(std::make_unique<Item>(std::move(item)));
    });
}

class Zone final : public farm::Zone, public Object {
  public:
    explicit Zone(Dispatch d) : Object(std::move(d)) {}
    std::string ZoneName() override { return Text(Op::ZoneName); }
    std::string DataCollector() override { return Text(Op::ZoneDataCollector); }
};

class Credential final : public farm::Credential, public Object {
  public:
    explicit Credential(Dispatch d) : Object(std::move(d)) {}
};

// A user or group: made to be added to an application, or an entry of its Users or Groups.
class Account final : public farm::Account, public Object {
  public:
    explicit Account(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int32_t aaType, const std::string& aaName, int32_t accountType,
                    const std::string& accountName, farm::Credential& credential) override {
        const bool group = d_.type() == Type::Group;
        const Op withCredential = group ? Op::GroupInitialize : Op::UserInitialize;
        IDispatch* rawCredential = RawOf(credential);
        d_.session()->WithAlternative(
            d_.type(), withCredential,
            [&] {
                return d_.Call(withCredential,
                               {aaType, aaName, accountType, accountName, rawCredential});
            },
            [&] {
                return d_.Call(*MemberOf(withCredential).alternative,
                               {aaType, aaName, accountType, accountName});
            });
        values_ = Values{aaType, aaName, accountType, accountName};
    }
    int32_t AAType() override { return Number(Is(Op::UserAAType, Op::GroupAAType)); }
    int32_t AccountType() override { return Number(Is(Op::UserAccountType, Op::GroupAccountType)); }
    std::string AAName() override { return Text(Is(Op::UserAAName, Op::GroupAAName)); }
    std::string AccountName() override {
        const Op op = Is(Op::UserUserName, Op::GroupGroupName);
        return d_.session()->WithAlternative(
            d_.type(), op, [&] { return Text(op); },
            [&] { return Text(*MemberOf(op).alternative); });
    }

    // The four values an application's own AddUser / AddGroup takes, in the order Initialize
    // takes them: AddUser(1, domain, 2, user).
    struct Values {
        int32_t aaType;
        std::string aaName;
        int32_t accountType;
        std::string accountName;
    };
    Values FourValues() {
        if (values_) {
            return *values_;
        }
        return Values{AAType(), AAName(), AccountType(), AccountName()};
    }

  private:
    Op Is(Op user, Op group) const { return d_.type() == Type::Group ? group : user; }

    std::optional<Values> values_;
};

class Binding final : public farm::Binding, public Object {
  public:
    explicit Binding(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int type, const std::string& serverName,
                    const std::string& distinguishedName) override {
        d_.Call(Op::BindingInitialize, {ObjectType(type), serverName, distinguishedName});
    }
    std::string ServerName() override { return Text(Op::BindingServerName); }
};

class WinFarm final : public farm::WinFarm, public Object {
  public:
    explicit WinFarm(Dispatch d) : Object(std::move(d)) {}
    farm::Value Get(std::string_view key) override { return ToValue(d_.GetByName(key).Get()); }
    void Put(std::string_view key, const farm::Value& value) override { d_.PutByName(key, value); }
    farm::Value IsCitrixAdministrator() override {
        return ToValue(d_.Call(Op::WinFarmIsCitrixAdministrator).Get());
    }
};

// The description a failed object creation left in the thread's error object, if any.
std::optional<std::string> ErrorInfoDescription() {
    win::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info) {
        return std::nullopt;
    }
    win::Bstr description;
    if (FAILED(info->GetDescription(description.Put())) || !description.Get()) {
        return std::nullopt;
    }
    std::string text = description.Utf8();
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

Dispatch Create(const std::shared_ptr<Session>& session, Creatable creatable, Type type) {
    std::wstring progId = win::Widen(ProgIdOf(creatable).progId);
    CLSID clsid{};
    win::Check(CLSIDFromProgID(progId.c_str(), &clsid));
    SetErrorInfo(0, nullptr);
    win::ComPtr<IDispatch> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IDispatch, reinterpret_cast<void**>(object.Put()));
    if (FAILED(hr)) {
        if (hr == E_OUTOFMEMORY) {
            throw std::bad_alloc();
        }
        throw farm::FarmError(hr, ErrorInfoDescription().value_or(win::SystemMessage(hr)));
    }
    return Dispatch(session, type, std::move(object));
}

constexpr std::string_view kAppNameKey = "AppName";
constexpr std::string_view kParentFolderKey = "ParentFolderDN";
constexpr std::string_view kEnableAppKey = "EnableApp";
constexpr std::string_view kRootFolder = "Applications";

// What an application object stands for, shared with its views. A new application made as
// public use makes one (created by its ProgID where the farm has no AddApplication) is
// initialised only once its name and folder are known: until then the settings assigned
// through its view wait here, in their order.
struct AppState {
    explicit AppState(Dispatch d) : app(std::move(d)) {}

    Dispatch app;
    std::optional<std::vector<std::pair<std::string, farm::Value>>> waiting;

    Session& session() { return *app.session(); }

    // Initialises a new application with the distinguished name its settings give, then
    // assigns them; a no-op for any other application.
    void Ready(const std::function<void(std::string_view, const farm::Value&)>& assign) {
        if (!waiting) {
            return;
        }
        const auto settings = std::move(*waiting);
        waiting.reset();
        std::string name;
        std::string folder(kRootFolder);
        for (const auto& [key, value] : settings) {
            if (SameName(key, kAppNameKey)) {
                name = farm::AsText(value);
            } else if (SameName(key, kParentFolderKey) && !farm::AsText(value).empty()) {
                folder = farm::AsText(value);
            }
        }
        const int32_t type = session().FarmConstants().ObjectType(farm::kWinAppObject);
        app.Call(Op::AppInitialize, {type, std::string_view(folder + "/" + name)});
        for (const auto& [key, value] : settings) {
            // The name and the folder are the distinguished name's.
            if (!SameName(key, kAppNameKey) && !SameName(key, kParentFolderKey)) {
                assign(key, value);
            }
        }
    }
};
using AppStatePtr = std::shared_ptr<AppState>;

class WinApp final : public farm::WinApp {
    // The view's member `op`, or where the farm does not know it, the application's own.
    template <class OnView, class OnApplication>
    auto WithApplication(Op op, OnView&& onView, OnApplication&& onApplication) {
        return state_->session().WithAlternative(Type::WinApp, op, onView, onApplication);
    }

  public:
    // `view`: the application's view, when the application has one yet.
    WinApp(AppStatePtr state, std::optional<Dispatch> view)
        : state_(std::move(state)), view_(std::move(view)) {}

    farm::Value Get(std::string_view key) override {
        Ready();
        if (SameName(key, kEnableAppKey)) {
            return ToValue(WithApplication(
                               Op::WinAppEnableApp,
                               [&] { return View().Call(Op::WinAppEnableApp); },
                               [&] { return state_->app.Call(Op::AppEnableApp); })
                               .Get());
        }
        return ToValue(View().GetByName(key).Get());
    }
    void Put(std::string_view key, const farm::Value& value) override {
        if (state_->waiting) {
            state_->waiting->emplace_back(std::string(key), value);
            return;
        }
        Assign(key, value);
    }
    void SaveData() override {
        Ready();
        WithApplication(
            Op::WinAppSaveData, [&] { return View().Call(Op::WinAppSaveData); },
            [&] { return state_->app.Call(Op::AppSaveData); });
    }
    void AddServer(farm::Binding& binding) override {
        Ready();
        IDispatch* raw = RawOf(binding);
        WithApplication(
            Op::WinAppAddServer, [&] { return View().Call(Op::WinAppAddServer, {raw}); },
            [&] { return state_->app.Call(Op::AppAddServer, {raw}); });
    }
    void RemoveServer(const std::string& serverName) override {
        Ready();
        WithApplication(
            Op::WinAppRemoveServer,
            [&] { return View().Call(Op::WinAppRemoveServer, {serverName}); },
            [&] { return state_->app.Call(Op::AppRemoveServer, {serverName}); });
    }
    void AddUser(farm::Account& user) override { AddAccount(Op::WinAppAddUser, user); }
    void AddGroup(farm::Account& group) override { AddAccount(Op::WinAppAddGroup, group); }
    void WriteIconToFile(const std::string& path) override {
        Ready();
        View().Call(Op::WinAppWriteIconToFile, {path});
    }
    void LoadIconFromFile(const std::string& path, int32_t index) override {
        Ready();
        View().Call(Op::WinAppLoadIconFromFile, {path, index});
    }

    // Initialises a new application and assigns the settings that waited for it.
    void Ready() {
        state_->Ready(
            [this](std::string_view key, const farm::Value& value) { Assign(key, value); });
    }

  private:
    Dispatch& View() {
        if (!view_) {
            win::Variant v = state_->app.Call(Op::AppWinAppObject);
            view_.emplace(state_->app.session(), Type::WinApp, ToDispatch(v.Get()));
        }
        return *view_;
    }

    void Assign(std::string_view key, const farm::Value& value) {
        if (SameName(key, kEnableAppKey)) {
            WithApplication(
                Op::WinAppEnableApp,
                [&] {
                    View().Put(Op::WinAppEnableApp, value);
                    return true;
                },
                [&] {
                    state_->app.Put(Op::AppEnableApp, value);
                    return true;
                });
            return;
        }
        View().PutByName(key, value);
    }

    void AddAccount(Op op, farm::Account& account) {
        Ready();
        IDispatch* raw = RawOf(account);
        WithApplication(
            op, [&] { return View().Call(op, {raw}); },
            [&] {
                auto* own = dynamic_cast<Account*>(&account);
                if (!own) {
                    throw farm::FarmError(base::kErrTypeMismatch, "Type mismatch");
                }
                const Account::Values v = own->FourValues();
                return state_->app.Call(*MemberOf(op).alternative,
                                        {v.aaType, v.aaName, v.accountType, v.accountName});
            });
    }

    AppStatePtr state_;
    std::optional<Dispatch> view_;
};

class Application final : public farm::Application {
  public:
    explicit Application(Dispatch d) : state_(std::make_shared<AppState>(std::move(d))) {}
    // A new application whose Initialize waits for its name and folder.
    static std::unique_ptr<Application> New(Dispatch d) {
        auto application = std::make_unique<Application>(std::move(d));
        application->state_->waiting.emplace();
        return application;
    }

    void Initialize(int type, const std::string& distinguishedName) override {
        state_->waiting.reset();
        App().Call(Op::AppInitialize, {ObjectType(type), distinguishedName});
    }
    void LoadData(bool full) override { Ready().Call(Op::AppLoadData, {full}); }
    void SaveData() override { Ready().Call(Op::AppSaveData); }
    std::string AppName() override { return ToText(Ready().Call(Op::AppName).Get()); }
    std::string DistinguishedName() override {
        return ToText(Ready().Call(Op::AppDistinguishedName).Get());
    }
    std::string Description() override { return ToText(Ready().Call(Op::AppDescription).Get()); }
    std::unique_ptr<farm::Collection<farm::Binding>> Servers() override {
        return MakeCollection<farm::Binding, Binding>(Child(Op::AppServers, Type::Bindings),
                                                      Type::Binding);
    }
    std::unique_ptr<farm::Collection<farm::Account>> Users() override {
        return MakeCollection<farm::Account, Account>(Child(Op::AppUsers, Type::Users), Type::User);
    }
    std::unique_ptr<farm::Collection<farm::Account>> Groups() override {
        return MakeCollection<farm::Account, Account>(Child(Op::AppGroups, Type::Groups),
                                                      Type::Group);
    }
    std::unique_ptr<farm::WinApp> WinAppObject() override {
        if (state_->waiting) {
            return std::make_unique<WinApp>(state_, std::nullopt);
        }
        return std::make_unique<WinApp>(state_, Child(Op::AppWinAppObject, Type::WinApp));
    }
    void AddServer(farm::Binding& binding) override {
        Ready().Call(Op::AppAddServer, {RawOf(binding)});
    }
    void RemoveServer(const std::string& serverName) override {
        Ready().Call(Op::AppRemoveServer, {serverName});
    }
    void Delete() override { Ready().Call(Op::AppDelete); }

  private:
    Dispatch& App() { return state_->app; }
    int32_t ObjectType(int type) { return state_->session().FarmConstants().ObjectType(type); }

    // The application, initialised first where it is new.
    Dispatch& Ready() {
        if (state_->waiting) {
            WinApp(state_, std::nullopt).Ready();
        }
        return App();
    }
    Dispatch Child(Op op, Type type) {
        win::Variant v = Ready().Call(op);
        return Dispatch(App().session(), type, ToDispatch(v.Get()));
    }

    AppStatePtr state_;
};

class WinServer final : public farm::WinServer, public Object {
  public:
    explicit WinServer(Dispatch d) : Object(std::move(d)) {}
    int32_t WinNTVerMajor() override { return Number(Op::WinServerVerMajor); }
    int32_t WinNTVerMinor() override { return Number(Op::WinServerVerMinor); }
};

class Server final : public farm::Server, public Object {
  public:
    explicit Server(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int type, const std::string& serverName) override {
        d_.Call(Op::ServerInitialize, {ObjectType(type), serverName});
    }
    std::string ServerName() override { return Text(Op::ServerName); }
    std::unique_ptr<farm::Collection<farm::Application>> Applications() override {
        return MakeCollection<farm::Application, Application>(
            Child(Op::ServerApplications, Type::Applications), Type::Application);
    }
    std::unique_ptr<farm::WinServer> WinServerObject() override {
        return std::make_unique<WinServer>(Child(Op::ServerWinServerObject, Type::WinServer));
    }
};

// A farm object, initialised for the Windows farm.
Dispatch OpenFarm(const std::shared_ptr<Session>& session) {
    Dispatch farm = Create(session, Creatable::Farm, Type::Farm);
    farm.Call(Op::FarmInitialize, {session->FarmConstants().ObjectType(farm::kWinFarmObject)});
    return farm;
}

// A folder: the object created by its ProgID and bound to a path, or, where the farm has no
// such class or Initialize, the folder reached as public use reaches it, from the farm's root
// folder one level at a time.
class Folder final : public farm::Folder {
  public:
    Folder(std::shared_ptr<Session> session, std::optional<Dispatch> created)
        : session_(std::move(session)), created_(std::move(created)) {}

    void Initialize(int folderType, const std::string& path) override {
        if (!created_) {
            bound_ = Reach(folderType, path);
            return;
        }
        session_->WithAlternative(
            Type::Folder, Op::FolderInitialize,
            [&] {
                created_->Call(Op::FolderInitialize,
                               {session_->FarmConstants().FolderType(folderType), path});
                bound_ = created_;
                return true;
            },
            [&] {
                bound_ = Reach(folderType, path);
                return true;
            });
    }
    void AddSubFolder(const std::string& name) override {
        if (bound_) {
            bound_->Call(Op::FolderAddSubFolder, {name});
        } else if (created_) {
            created_->Call(Op::FolderAddSubFolder, {name});  // the farm says what is wrong
        } else {
            throw farm::FarmError(base::kErrObjectNotSet,
                                  "Object variable or With block variable not set");
        }
    }

  private:
    Dispatch Reach(int folderType, const std::string& path) {
        Dispatch farm = OpenFarm(session_);
        win::Variant root =
            farm.Call(Op::FarmGetRootFolder, {session_->FarmConstants().FolderType(folderType)});
        Dispatch folder(session_, Type::Folder, ToDispatch(root.Get()));
        // The first level is the root folder itself.
        size_t start = path.find('/');
        while (start != std::string::npos) {
            const size_t end = path.find('/', start + 1);
            const std::string_view name = std::string_view(path).substr(
                start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
            win::Variant sub = folder.Call(Op::FolderGetSubFolder, {name});
            folder = Dispatch(session_, Type::Folder, ToDispatch(sub.Get()));
            start = end;
        }
        return folder;
    }

    std::shared_ptr<Session> session_;
    std::optional<Dispatch> created_;
    std::optional<Dispatch> bound_;
};

class Farm final : public farm::Farm, public Object {
  public:
    explicit Farm(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int type) override { d_.Call(Op::FarmInitialize, {ObjectType(type)}); }
    std::string FarmName() override { return Text(Op::FarmName); }
    std::unique_ptr<farm::Collection<farm::Zone>> Zones() override {
        return MakeCollection<farm::Zone, Zone>(Child(Op::FarmZones, Type::Zones), Type::Zone);
    }
    std::unique_ptr<farm::Collection<farm::Server>> Servers() override {
        return MakeCollection<farm::Server, Server>(Child(Op::FarmServers, Type::Servers),
                                                    Type::Server);
    }
    std::unique_ptr<farm::Collection<farm::Application>> Applications() override {
        return MakeCollection<farm::Application, Application>(
            Child(Op::FarmApplications, Type::Applications), Type::Application);
    }
    std::unique_ptr<farm::WinFarm> WinFarmObject() override {
        return std::make_unique<WinFarm>(Child(Op::FarmWinFarmObject, Type::WinFarm));
    }
    // Where the farm has no AddApplication: a new application object, initialised once its
    // name and folder are known.
    std::unique_ptr<farm::Application> AddApplication(int type) override {
        return Session().WithAlternative(
            Type::Farm, Op::FarmAddApplication,
            [&] {
                return std::make_unique<Application>(
                    Child(Op::FarmAddApplication, Type::Application, {ObjectType(type)}));
            },
            [&] {
                return Application::New(
                    Create(d_.session(), Creatable::Application, Type::Application));
            });
    }
    // Where the farm has no GetApplication or GetServer: the object created by its ProgID
    // and initialised.
    std::unique_ptr<farm::Application> GetApplication(
        int type, const std::string& distinguishedName) override {
        return Session().WithAlternative(
            Type::Farm, Op::FarmGetApplication,
            [&] {
                return std::make_unique<Application>(Child(Op::FarmGetApplication,
                                                           Type::Application,
                                                           {ObjectType(type), distinguishedName}));
            },
            [&] {
                auto application = std::make_unique<Application>(
                    Create(d_.session(), Creatable::Application, Type::Application));
                application->Initialize(type, distinguishedName);
                return application;
            });
    }
    std::unique_ptr<farm::Server> GetServer(int type, const std::string& serverName) override {
        return Session().WithAlternative(
            Type::Farm, Op::FarmGetServer,
            [&] {
                return std::make_unique<Server>(
                    Child(Op::FarmGetServer, Type::Server, {ObjectType(type), serverName}));
            },
            [&] {
                auto server =
                    std::make_unique<Server>(Create(d_.session(), Creatable::Server, Type::Server));
                server->Initialize(type, serverName);
                return server;
            });
    }

  private:
    mfcom::Session& Session() { return *d_.session(); }
};

}  // namespace

MfcomFactory::MfcomFactory(NameLookup lookup) : session_(std::make_shared<Session>(lookup)) {}
MfcomFactory::~MfcomFactory() = default;

CallCounts MfcomFactory::Counts() const {
    return session_->Counts();
}

const std::set<std::pair<Kind, std::string>>& MfcomFactory::NamesAsked() const {
    return session_->NamesAsked();
}

std::unique_ptr<farm::Farm> MfcomFactory::CreateFarm() {
    return std::make_unique<Farm>(Create(session_, Creatable::Farm, Type::Farm));
}
std::unique_ptr<farm::Server> MfcomFactory::CreateServer() {
    return std::make_unique<Server>(Create(session_, Creatable::Server, Type::Server));
}
std::unique_ptr<farm::Application> MfcomFactory::CreateApplication() {
    return std::make_unique<Application>(
        Create(session_, Creatable::Application, Type::Application));
}
// Where the farm has no folder class, the folder is reached through the farm; the class is
// not asked for again.
std::unique_ptr<farm::Folder> MfcomFactory::CreateFolder() {
    if (session_->UsesAlternative(Type::Folder, Op::FolderInitialize)) {
        return std::make_unique<Folder>(session_, std::nullopt);
    }
    try {
        return std::make_unique<Folder>(session_,
                                        Create(session_, Creatable::Folder, Type::Folder));
    } catch (const farm::FarmError& e) {
        if (!ClassUnavailable(e)) {
            throw;
        }
        session_->UseAlternative(Type::Folder, Op::FolderInitialize);
        return std::make_unique<Folder>(session_, std::nullopt);
    }
}
std::unique_ptr<farm::Binding> MfcomFactory::CreateBinding() {
    return std::make_unique<Binding>(Create(session_, Creatable::Binding, Type::Binding));
}
std::unique_ptr<farm::Account> MfcomFactory::CreateUser() {
    return std::make_unique<Account>(Create(session_, Creatable::User, Type::User));
}
std::unique_ptr<farm::Account> MfcomFactory::CreateGroup() {
    return std::make_unique<Account>(Create(session_, Creatable::Group, Type::Group));
}
std::unique_ptr<farm::Credential> MfcomFactory::CreateCredential() {
    return std::make_unique<Credential>(Create(session_, Creatable::Credential, Type::Credential));
}

}  // namespace mfcom
