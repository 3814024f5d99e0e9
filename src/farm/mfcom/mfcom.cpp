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
        d_.Call(Op::BindingInitialize, {int32_t{type}, serverName, distinguishedName});
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

class WinApp final : public farm::WinApp, public Object {
  public:
    // `application`: the application the view belongs to, which takes the public forms of
    // adding users and groups.
    WinApp(Dispatch d, Dispatch application)
        : Object(std::move(d)), application_(std::move(application)) {}
    farm::Value Get(std::string_view key) override { return ToValue(d_.GetByName(key).Get()); }
    void Put(std::string_view key, const farm::Value& value) override { d_.PutByName(key, value); }
    void SaveData() override { d_.Call(Op::WinAppSaveData); }
    void AddServer(farm::Binding& binding) override {
        d_.Call(Op::WinAppAddServer, {RawOf(binding)});
    }
    void RemoveServer(const std::string& serverName) override {
        d_.Call(Op::WinAppRemoveServer, {serverName});
    }
    void AddUser(farm::Account& user) override { AddAccount(Op::WinAppAddUser, user); }
    void AddGroup(farm::Account& group) override { AddAccount(Op::WinAppAddGroup, group); }
    void WriteIconToFile(const std::string& path) override {
        d_.Call(Op::WinAppWriteIconToFile, {path});
    }
    void LoadIconFromFile(const std::string& path, int32_t index) override {
        d_.Call(Op::WinAppLoadIconFromFile, {path, index});
    }

  private:
    void AddAccount(Op op, farm::Account& account) {
        IDispatch* raw = RawOf(account);
        d_.session()->WithAlternative(
            d_.type(), op, [&] { return d_.Call(op, {raw}); },
            [&] {
                auto* own = dynamic_cast<Account*>(&account);
                if (!own) {
                    throw farm::FarmError(base::kErrTypeMismatch, "Type mismatch");
                }
                const Account::Values v = own->FourValues();
                return application_.Call(*MemberOf(op).alternative,
                                         {v.aaType, v.aaName, v.accountType, v.accountName});
            });
    }

    Dispatch application_;
};

class Application final : public farm::Application, public Object {
  public:
    explicit Application(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int type, const std::string& distinguishedName) override {
        d_.Call(Op::AppInitialize, {int32_t{type}, distinguishedName});
    }
    void LoadData(bool full) override { d_.Call(Op::AppLoadData, {full}); }
    void SaveData() override { d_.Call(Op::AppSaveData); }
    std::string AppName() override { return Text(Op::AppName); }
    std::string DistinguishedName() override { return Text(Op::AppDistinguishedName); }
    std::string Description() override { return Text(Op::AppDescription); }
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
        return std::make_unique<WinApp>(Child(Op::AppWinAppObject, Type::WinApp), d_);
    }
    void AddServer(farm::Binding& binding) override { d_.Call(Op::AppAddServer, {RawOf(binding)}); }
    void RemoveServer(const std::string& serverName) override {
        d_.Call(Op::AppRemoveServer, {serverName});
    }
    void Delete() override { d_.Call(Op::AppDelete); }
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
        d_.Call(Op::ServerInitialize, {int32_t{type}, serverName});
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

class Folder final : public farm::Folder, public Object {
  public:
    explicit Folder(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int folderType, const std::string& path) override {
        d_.Call(Op::FolderInitialize, {int32_t{folderType}, path});
    }
    void AddSubFolder(const std::string& name) override { d_.Call(Op::FolderAddSubFolder, {name}); }
};

class Farm final : public farm::Farm, public Object {
  public:
    explicit Farm(Dispatch d) : Object(std::move(d)) {}
    void Initialize(int type) override { d_.Call(Op::FarmInitialize, {int32_t{type}}); }
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
    std::unique_ptr<farm::Application> AddApplication(int type) override {
        return std::make_unique<Application>(
            Child(Op::FarmAddApplication, Type::Application, {int32_t{type}}));
    }
    std::unique_ptr<farm::Application> GetApplication(
        int type, const std::string& distinguishedName) override {
        return std::make_unique<Application>(
            Child(Op::FarmGetApplication, Type::Application, {int32_t{type}, distinguishedName}));
    }
    std::unique_ptr<farm::Server> GetServer(int type, const std::string& serverName) override {
        return std::make_unique<Server>(
            Child(Op::FarmGetServer, Type::Server, {int32_t{type}, serverName}));
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
std::unique_ptr<farm::Folder> MfcomFactory::CreateFolder() {
    return std::make_unique<Folder>(Create(session_, Creatable::Folder, Type::Folder));
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
