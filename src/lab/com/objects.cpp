#include "lab/com/objects.h"

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "farm/farm.h"
#include "farm/mfcom/com.h"
#include "lab/com/counted.h"
#include "lab/com/dialect.h"
#include "lab/com/dispids.h"
#include "lab/com/module.h"
#include "lab/objects.h"
#include "lab/rules.h"
#include "win/com.h"
#include "win/text.h"

namespace labcom {

namespace {

using mfcom::Kind;
using mfcom::Member;
using mfcom::Op;
using win::ComPtr;
using win::Variant;

// Our own objects answer this interface with themselves, so that an object handed back as
// an argument (a binding, a user, a credential) leads to the lab object it wraps.
// {8bafdad9-b4dc-46bc-bc4c-275e3c37c33c}
constexpr IID kIidLabObject = {
    0x8bafdad9, 0xb4dc, 0x46bc, {0xbc, 0x4c, 0x27, 0x5e, 0x3c, 0x37, 0xc3, 0x3c}};

// An argument that cannot take the type the member wants.
struct BadArgument {
    HRESULT hr;
    UINT position;  // in DISPPARAMS order
};

class LabObject;

// The arguments of one call, coerced to the types of the member table.
class Args {
  public:
    Args(const Member& member, const DISPPARAMS& params);
    int32_t Number(size_t i) const { return V_I4(&values_[i].Get()); }
    std::string Text(size_t i) const { return win::FromBstr(V_BSTR(&values_[i].Get())); }
    bool Boolean(size_t i) const { return V_BOOL(&values_[i].Get()) != VARIANT_FALSE; }
    LabObject& Object(size_t i) const { return *objects_[i].Get(); }

  private:
    std::vector<Variant> values_;
    std::vector<ComPtr<LabObject>> objects_;
};

// Adopts a new object with its first reference.
template <class T, class... A>
ComPtr<T> Make(A&&... args) {
    return ComPtr<T>::Attach(std::make_unique<T>(std::forward<A>(args)...).release());
}

class LabObject : public Counted<IDispatch> {
  public:
    // The object answers as the workstation's dialect says at its creation.
    explicit LabObject(Kind kind) : kind_(kind), dialect_(Module::Instance().CurrentDialect()) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == kIidLabObject) {
            *out = this;
        } else if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) {
            return E_POINTER;
        }
        *count = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) {
            return E_POINTER;
        }
        *info = nullptr;
        if (index != 0) {
            return DISP_E_BADINDEX;
        }
        *info = Module::Instance().TypeInfo(kind_);
        return *info ? S_OK : TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        Module& module = Module::Instance();
        module.CountGetIdsOfNames();
        if (!names || !ids || count == 0) {
            return E_INVALIDARG;
        }
        try {
            HRESULT hr = S_OK;
            const std::string name = win::Narrow(std::wstring_view(names[0] ? names[0] : L""));
            if (const Member* member = dialect_->Find(kind_, name)) {
                ids[0] = DispidOf(member->op);
            } else if (Settings() && !name.empty() && !mfcom::FindMember(kind_, name) &&
                       !dialect_->LacksSetting(kind_, name)) {
                ids[0] = module.SettingDispid(name);
            } else {
                ids[0] = DISPID_UNKNOWN;
                hr = DISP_E_UNKNOWNNAME;
                module.CountUnknownName(kind_, name);
            }
            for (UINT i = 1; i < count; ++i) {  // no member takes named arguments
                ids[i] = DISPID_UNKNOWN;
                hr = DISP_E_UNKNOWNNAME;
            }
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override {
        Module::Instance().CountInvoke();
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        const DISPPARAMS& p = params ? *params : none;
        if (p.cArgs > 0 && !p.rgvarg) {
            return E_INVALIDARG;
        }
        try {
            Variant out;
            HRESULT hr = S_OK;
            if (const Member* member = MemberOfDispid(kind_, dispid)) {
                hr = CallMember(*member, flags, p, out);
            } else if (farm::SettingsView* view = Settings()) {
                hr = CallSetting(*view, dispid, flags, p, out);
            } else {
                hr = DISP_E_MEMBERNOTFOUND;
            }
            if (SUCCEEDED(hr) && result) {
                out.DetachTo(result);
            }
            return hr;
        } catch (const BadArgument& bad) {
            if (argErr) {
                *argErr = bad.position;
            }
            return bad.hr;
        } catch (const farm::FarmError& e) {
            return ReportFailure(e.number(), e.description(), excep);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& e) {
            return ReportFailure(E_FAIL, e.what(), excep);
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

  protected:
    // Runs one member of the table on the wrapped lab object.
    virtual void Call(const Member& member, const Args& args, Variant& result) = 0;
    // Assigns a property of the table.
    virtual void Put(const Member& member, const farm::Value&) {
        throw std::logic_error("no put handler for " + std::string(member.name));
    }
    const Dialect& dialect() const { return *dialect_; }
    // The settings reached by name (the Windows-farm and Windows-application views only).
    virtual farm::SettingsView* Settings() { return nullptr; }

  private:
    HRESULT CallMember(const Member& first, WORD flags, const DISPPARAMS& p, Variant& out) {
        if (first.access == mfcom::Access::Property &&
            (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) {
            if (p.cArgs != 1 || p.cNamedArgs != 1 || !p.rgdispidNamedArgs ||
                p.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                return DISP_E_BADPARAMCOUNT;
            }
            if (dialect_->Lacks(first)) {
                return DISP_E_MEMBERNOTFOUND;
            }
            Put(first, mfcom::ToValue(p.rgvarg[0]));
            return S_OK;
        }
        if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (p.cNamedArgs != 0) {
            return DISP_E_NONAMEDARGS;
        }
        const Member* member = dialect_->FormOf(first, p.cArgs);
        if (!member) {
            return DISP_E_BADPARAMCOUNT;
        }
        Args args(*member, p);
        Call(*member, args, out);
        return S_OK;
    }

    HRESULT CallSetting(farm::SettingsView& view, DISPID dispid, WORD flags, const DISPPARAMS& p,
                        Variant& out) {
        const auto name = Module::Instance().SettingName(dispid);
        if (!name || dialect_->LacksSetting(kind_, *name)) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            if (p.cArgs != 1 || p.cNamedArgs != 1 || !p.rgdispidNamedArgs ||
                p.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                return DISP_E_BADPARAMCOUNT;
            }
            view.Put(*name, mfcom::ToValue(p.rgvarg[0]));
            return S_OK;
        }
        if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (p.cArgs != 0) {
            return DISP_E_BADPARAMCOUNT;
        }
        out = mfcom::FromValue(view.Get(*name));
        return S_OK;
    }

    Kind kind_;
    std::shared_ptr<const Dialect> dialect_;
};

Args::Args(const Member& member, const DISPPARAMS& params)
    : values_(member.args.size()), objects_(member.args.size()) {
    for (size_t i = 0; i < member.args.size(); ++i) {
        const UINT position = params.cArgs - 1 - static_cast<UINT>(i);
        auto* source = &params.rgvarg[position];
        const char type = member.args[i];
        if (type == 'o') {
            ComPtr<IDispatch> object = mfcom::ToDispatch(*source);
            if (object) {
                object->QueryInterface(kIidLabObject, reinterpret_cast<void**>(objects_[i].Put()));
            }
            if (!objects_[i]) {
                throw BadArgument{DISP_E_TYPEMISMATCH, position};
            }
            continue;
        }
        const VARTYPE wanted = type == 'n' ? VT_I4 : type == 's' ? VT_BSTR : VT_BOOL;
        HRESULT hr = VariantChangeType(values_[i].Put(), source, 0, wanted);
        if (FAILED(hr)) {
            throw BadArgument{hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH, position};
        }
    }
}

// A Boolean as automation reports one; any other number as it is.
Variant BooleanResult(const farm::Value& value) {
    if (const auto* number = std::get_if<int32_t>(&value);
        number && (*number == 0 || *number == -1)) {
        return Variant(*number != 0);
    }
    return mfcom::FromValue(value);
}

[[noreturn]] void NoSuchMember(const Member& member) {
    throw std::logic_error("no handler for " + std::string(member.name));
}

template <class T>
T& Unwrap(LabObject& object) {
    if (auto* own = dynamic_cast<T*>(&object)) {
        return *own;
    }
    throw farm::FarmError(base::kErrTypeMismatch, "Type mismatch");
}

// Collection items become objects of their own kind.
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Zone> zone);
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Server> server);
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Application> application);
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Binding> binding);
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Account> account, Kind kind);

Variant ObjectResult(const ComPtr<IDispatch>& object) {
    return Variant(object.Get());
}

// The enumerator _NewEnum hands out: a snapshot of the items as the collection gave them.
class Enumerator final : public Counted<IEnumVARIANT> {
  public:
    using Items = std::vector<ComPtr<IDispatch>>;
    Enumerator(std::shared_ptr<const Items> items, size_t position)
        : items_(std::move(items)), position_(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return AnswerFor(IID_IEnumVARIANT, iid, out);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) {
            return E_POINTER;
        }
        ULONG n = 0;
        for (; n < count && position_ < items_->size(); ++n, ++position_) {
            Variant(items_->at(position_).Get()).DetachTo(&out[n]);
        }
        if (fetched) {
            *fetched = n;
        }
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const size_t left = items_->size() - position_;
        position_ += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (!out) {
            return E_POINTER;
        }
        try {
            *out = Make<Enumerator>(items_, position_).Detach();
            return S_OK;
        } catch (...) {
            *out = nullptr;
            return E_OUTOFMEMORY;
        }
    }

  private:
    std::shared_ptr<const Items> items_;
    size_t position_;
};

template <class T>
class CollectionObject final : public LabObject {
  public:
    using WrapItem = ComPtr<IDispatch> (*)(std::unique_ptr<T>);
    CollectionObject(std::unique_ptr<farm::Collection<T>> collection, WrapItem wrap)
        : LabObject(Kind::Collection), collection_(std::move(collection)), wrap_(wrap) {}

  protected:
    void Call(const Member& member, const Args&, Variant& result) override {
        switch (member.op) {
            case Op::CollectionCount:
                result = Variant(collection_->Count());
                return;
            case Op::CollectionNewEnum: {
                auto items = std::make_shared<Enumerator::Items>();
                for (auto& item : collection_->Items()) {
                    items->push_back(wrap_(std::move(item)));
                }
                ComPtr<IEnumVARIANT> enumerator = Make<Enumerator>(std::move(items), 0);
                V_VT(result.Put()) = VT_UNKNOWN;
                V_UNKNOWN(result.Raw()) = enumerator.Detach();
                return;
            }
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::Collection<T>> collection_;
    WrapItem wrap_;
};

template <class T>
Variant CollectionResult(std::unique_ptr<farm::Collection<T>> collection,
                         ComPtr<IDispatch> (*wrap)(std::unique_ptr<T>) = &Wrap) {
    return ObjectResult(Make<CollectionObject<T>>(std::move(collection), wrap));
}

ComPtr<IDispatch> WrapUser(std::unique_ptr<farm::Account> account) {
    return Wrap(std::move(account), Kind::User);
}
ComPtr<IDispatch> WrapGroup(std::unique_ptr<farm::Account> account) {
    return Wrap(std::move(account), Kind::Group);
}

// A new account of the lab farm initialised with four values, as the public forms give them
// (authority type, authority name, account type, account name), and the credential the farm
// interface wants.
std::unique_ptr<farm::Account> NewAccount(const Args& args, bool group) {
    const std::shared_ptr<lab::LabFactory> factory = Module::Instance().Factory();
    std::unique_ptr<farm::Account> account = group ? factory->CreateGroup() : factory->CreateUser();
    const std::unique_ptr<farm::Credential> credential = factory->CreateCredential();
    account->Initialize(args.Number(0), args.Text(1), args.Number(2), args.Text(3), *credential);
    return account;
}

class ZoneObject final : public LabObject {
  public:
    explicit ZoneObject(std::unique_ptr<farm::Zone> zone)
        : LabObject(Kind::Zone), zone_(std::move(zone)) {}

  protected:
    void Call(const Member& member, const Args&, Variant& result) override {
        switch (member.op) {
            case Op::ZoneName:
                result = Variant(zone_->ZoneName());
                return;
            case Op::ZoneDataCollector:
                result = Variant(zone_->DataCollector());
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::Zone> zone_;
};

class CredentialObject final : public LabObject {
  public:
    explicit CredentialObject(std::unique_ptr<farm::Credential> credential)
        : LabObject(Kind::Credential), credential_(std::move(credential)) {}
    farm::Credential& Get() { return *credential_; }

  protected:
    void Call(const Member& member, const Args&, Variant&) override { NoSuchMember(member); }

  private:
    std::unique_ptr<farm::Credential> credential_;
};

class AccountObject final : public LabObject {
  public:
    AccountObject(std::unique_ptr<farm::Account> account, Kind kind)
        : LabObject(kind), account_(std::move(account)) {}
    farm::Account& Get() { return *account_; }

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::UserInitialize:
            case Op::GroupInitialize:
                account_->Initialize(args.Number(0), args.Text(1), args.Number(2), args.Text(3),
                                     Unwrap<CredentialObject>(args.Object(4)).Get());
                return;
            case Op::UserInitializeFour:
            case Op::GroupInitializeFour:
                account_ = NewAccount(args, member.op == Op::GroupInitializeFour);
                return;
            case Op::UserAAType:
            case Op::GroupAAType:
                result = Variant(account_->AAType());
                return;
            case Op::UserAccountType:
            case Op::GroupAccountType:
                result = Variant(account_->AccountType());
                return;
            case Op::UserAAName:
            case Op::GroupAAName:
                result = Variant(account_->AAName());
                return;
            case Op::UserUserName:
            case Op::UserAccountName:
            case Op::GroupGroupName:
            case Op::GroupAccountName:
                result = Variant(account_->AccountName());
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::Account> account_;
};

class BindingObject final : public LabObject {
  public:
    explicit BindingObject(std::unique_ptr<farm::Binding> binding)
        : LabObject(Kind::Binding), binding_(std::move(binding)) {}
    farm::Binding& Get() { return *binding_; }

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::BindingInitialize:
                binding_->Initialize(
                    dialect().ToLab(Code::Server, args.Number(0), "Binding.Initialize"),
                    args.Text(1), args.Text(2));
                return;
            case Op::BindingServerName:
                result = Variant(binding_->ServerName());
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::Binding> binding_;
};

class WinServerObject final : public LabObject {
  public:
    explicit WinServerObject(std::unique_ptr<farm::WinServer> view)
        : LabObject(Kind::WinServer), view_(std::move(view)) {}

  protected:
    void Call(const Member& member, const Args&, Variant& result) override {
        switch (member.op) {
            case Op::WinServerVerMajor:
                result = Variant(view_->WinNTVerMajor());
                return;
            case Op::WinServerVerMinor:
                result = Variant(view_->WinNTVerMinor());
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::WinServer> view_;
};

class WinFarmObject final : public LabObject {
  public:
    explicit WinFarmObject(std::unique_ptr<farm::WinFarm> view)
        : LabObject(Kind::WinFarm), view_(std::move(view)) {}

  protected:
    void Call(const Member& member, const Args&, Variant& result) override {
        if (member.op != Op::WinFarmIsCitrixAdministrator) {
            NoSuchMember(member);
        }
        result = BooleanResult(view_->IsCitrixAdministrator());
    }
    farm::SettingsView* Settings() override { return view_.get(); }

  private:
    std::unique_ptr<farm::WinFarm> view_;
};

class WinAppObject final : public LabObject {
  public:
    explicit WinAppObject(std::unique_ptr<farm::WinApp> view)
        : LabObject(Kind::WinApp), view_(std::move(view)) {}

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::WinAppSaveData:
                view_->SaveData();
                return;
            case Op::WinAppAddServer:
                view_->AddServer(Unwrap<BindingObject>(args.Object(0)).Get());
                return;
            case Op::WinAppRemoveServer:
                view_->RemoveServer(args.Text(0));
                return;
            case Op::WinAppAddUser:
                view_->AddUser(Unwrap<AccountObject>(args.Object(0)).Get());
                return;
            case Op::WinAppAddGroup:
                view_->AddGroup(Unwrap<AccountObject>(args.Object(0)).Get());
                return;
            case Op::WinAppWriteIconToFile:
                view_->WriteIconToFile(args.Text(0));
                return;
            case Op::WinAppLoadIconFromFile:
                view_->LoadIconFromFile(args.Text(0), args.Number(1));
                return;
            case Op::WinAppEnableApp:
                result = mfcom::FromValue(view_->Get(member.name));
                return;
            default:
                NoSuchMember(member);
        }
    }
    void Put(const Member& member, const farm::Value& value) override {
        if (member.op != Op::WinAppEnableApp) {
            NoSuchMember(member);
        }
        view_->Put(member.name, value);
    }
    farm::SettingsView* Settings() override { return view_.get(); }

  private:
    std::unique_ptr<farm::WinApp> view_;
};

class ApplicationObject final : public LabObject {
  public:
    explicit ApplicationObject(std::unique_ptr<farm::Application> application)
        : LabObject(Kind::Application), app_(std::move(application)) {}

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::AppInitialize:
                Initialize(
                    dialect().ToLab(Code::Application, args.Number(0), "Application.Initialize"),
                    args.Text(1));
                return;
            case Op::AppLoadData:
                if (notYetStored_) {
                    throw *notYetStored_;
                }
                app_->LoadData(args.Boolean(0));
                return;
            case Op::AppSaveData:
                app_->SaveData();
                notYetStored_.reset();
                return;
            case Op::AppEnableApp:
                result = mfcom::FromValue(app_->WinAppObject()->Get(member.name));
                return;
            case Op::AppName:
                result = Variant(app_->AppName());
                return;
            case Op::AppDistinguishedName:
                result = Variant(app_->DistinguishedName());
                return;
            case Op::AppDescription:
                result = Variant(app_->Description());
                return;
            case Op::AppServers:
                result = CollectionResult(app_->Servers());
                return;
            case Op::AppUsers:
                result = CollectionResult(app_->Users(), &WrapUser);
                return;
            case Op::AppGroups:
                result = CollectionResult(app_->Groups(), &WrapGroup);
                return;
            case Op::AppWinAppObject:
                result = ObjectResult(Make<WinAppObject>(app_->WinAppObject()));
                return;
            case Op::AppAddServer:
                app_->AddServer(Unwrap<BindingObject>(args.Object(0)).Get());
                return;
            case Op::AppRemoveServer:
                app_->RemoveServer(args.Text(0));
                return;
            case Op::AppDelete:
                app_->Delete();
                return;
            case Op::AppAddUser:
                app_->WinAppObject()->AddUser(*NewAccount(args, false));
                return;
            case Op::AppAddGroup:
                app_->WinAppObject()->AddGroup(*NewAccount(args, true));
                return;
            default:
                NoSuchMember(member);
        }
    }
    void Put(const Member& member, const farm::Value& value) override {
        if (member.op != Op::AppEnableApp) {
            NoSuchMember(member);
        }
        app_->WinAppObject()->Put(member.name, value);
    }

  private:
    // Where the farm has no AddApplication, an application is made as public use makes one:
    // Initialize with the new distinguished name, then its settings, then SaveData. Until it
    // is saved, LoadData finds nothing to load.
    void Initialize(int32_t type, const std::string& distinguishedName) {
        try {
            app_->Initialize(type, distinguishedName);
            notYetStored_.reset();
        } catch (const farm::FarmError& e) {
            if (!dialect().Lacks(mfcom::MemberOf(Op::FarmAddApplication)) ||
                e.number() != lab::RuleNumber(lab::Rule::kApplicationNotFound)) {
                throw;
            }
            const std::shared_ptr<lab::LabFactory> factory = Module::Instance().Factory();
            std::unique_ptr<farm::Farm> farm = factory->CreateFarm();
            farm->Initialize(farm::kWinFarmObject);
            std::unique_ptr<farm::Application> created = farm->AddApplication(farm::kWinAppObject);
            const size_t slash = distinguishedName.rfind('/');
            std::unique_ptr<farm::WinApp> view = created->WinAppObject();
            view->Put("AppName", distinguishedName.substr(slash + 1));
            if (slash != std::string::npos) {
                view->Put("ParentFolderDN", distinguishedName.substr(0, slash));
            }
            app_ = std::move(created);
            notYetStored_ = e;
        }
    }

    std::unique_ptr<farm::Application> app_;
    std::optional<farm::FarmError> notYetStored_;  // what LoadData says of a new application
};

class ServerObject final : public LabObject {
  public:
    explicit ServerObject(std::unique_ptr<farm::Server> server)
        : LabObject(Kind::Server), server_(std::move(server)) {}

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::ServerInitialize:
                server_->Initialize(
                    dialect().ToLab(Code::Server, args.Number(0), "Server.Initialize"),
                    args.Text(1));
                return;
            case Op::ServerName:
                result = Variant(server_->ServerName());
                return;
            case Op::ServerApplications:
                result = CollectionResult(server_->Applications());
                return;
            case Op::ServerWinServerObject:
                result = ObjectResult(Make<WinServerObject>(server_->WinServerObject()));
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::Server> server_;
};

class FolderObject final : public LabObject {
  public:
    explicit FolderObject(std::unique_ptr<farm::Folder> folder)
        : LabObject(Kind::Folder), folder_(std::move(folder)) {}

    // A folder of the application tree, bound to its path (as the farm hands one out).
    static ComPtr<IDispatch> At(const std::string& path) {
        std::unique_ptr<farm::Folder> folder = Module::Instance().Factory()->CreateFolder();
        folder->Initialize(farm::kApplicationFolder, path);
        ComPtr<FolderObject> object = Make<FolderObject>(std::move(folder));
        object->path_ = path;
        return object;
    }

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::FolderInitialize:
                folder_->Initialize(
                    dialect().ToLab(Code::AppFolder, args.Number(0), "Folder.Initialize"),
                    args.Text(1));
                path_ = args.Text(1);
                return;
            case Op::FolderAddSubFolder:
                folder_->AddSubFolder(args.Text(0));
                return;
            case Op::FolderGetSubFolder:
                if (path_.empty()) {
                    NotInitialized();
                }
                result = ObjectResult(At(path_ + "/" + args.Text(0)));
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    [[noreturn]] static void NotInitialized() {
        lab::Refuse(lab::Rule::kNotInitialized, "The folder object is not initialised.");
    }

    std::unique_ptr<farm::Folder> folder_;
    std::string path_;  // empty until bound
};

class FarmObject final : public LabObject {
  public:
    explicit FarmObject(std::unique_ptr<farm::Farm> farm)
        : LabObject(Kind::Farm), farm_(std::move(farm)) {}

  protected:
    void Call(const Member& member, const Args& args, Variant& result) override {
        switch (member.op) {
            case Op::FarmInitialize:
                farm_->Initialize(dialect().ToLab(Code::Farm, args.Number(0), "Farm.Initialize"));
                return;
            case Op::FarmName:
                result = Variant(farm_->FarmName());
                return;
            case Op::FarmZones:
                result = CollectionResult(farm_->Zones());
                return;
            case Op::FarmServers:
                result = CollectionResult(farm_->Servers());
                return;
            case Op::FarmApplications:
                result = CollectionResult(farm_->Applications());
                return;
            case Op::FarmWinFarmObject:
                result = ObjectResult(Make<WinFarmObject>(farm_->WinFarmObject()));
                return;
            case Op::FarmAddApplication:
                result = ObjectResult(Wrap(farm_->AddApplication(
                    dialect().ToLab(Code::Application, args.Number(0), "Farm.AddApplication"))));
                return;
            case Op::FarmGetApplication:
                result = ObjectResult(Wrap(farm_->GetApplication(
                    dialect().ToLab(Code::Application, args.Number(0), "Farm.GetApplication"),
                    args.Text(1))));
                return;
            case Op::FarmGetServer:
                result = ObjectResult(Wrap(farm_->GetServer(
                    dialect().ToLab(Code::Server, args.Number(0), "Farm.GetServer"),
                    args.Text(1))));
                return;
            case Op::FarmGetRootFolder:
                farm_->FarmName();  // refused before Initialize, as every farm call
                lab::CheckType(
                    dialect().ToLab(Code::AppFolder, args.Number(0), "Farm.GetRootFolder"),
                    farm::kApplicationFolder, "Farm.GetRootFolder");
                result = ObjectResult(FolderObject::At("Applications"));
                return;
            default:
                NoSuchMember(member);
        }
    }

  private:
    std::unique_ptr<farm::Farm> farm_;
};

ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Zone> zone) {
    return Make<ZoneObject>(std::move(zone));
}
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Server> server) {
    return Make<ServerObject>(std::move(server));
}
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Application> application) {
    return Make<ApplicationObject>(std::move(application));
}
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Binding> binding) {
    return Make<BindingObject>(std::move(binding));
}
ComPtr<IDispatch> Wrap(std::unique_ptr<farm::Account> account, Kind kind) {
    return Make<AccountObject>(std::move(account), kind);
}

}  // namespace

ComPtr<IDispatch> CreateObject(mfcom::Creatable creatable) {
    const std::shared_ptr<lab::LabFactory> owner = Module::Instance().Factory();
    lab::LabFactory& factory = *owner;
    switch (creatable) {
        case mfcom::Creatable::Farm:
            return Make<FarmObject>(factory.CreateFarm());
        case mfcom::Creatable::Server:
            return Wrap(factory.CreateServer());
        case mfcom::Creatable::Application:
            return Wrap(factory.CreateApplication());
        case mfcom::Creatable::Folder:
            if (Module::Instance().CurrentDialect()->LacksClass(creatable)) {
                throw farm::FarmError(REGDB_E_CLASSNOTREG, "Class not registered");
            }
            return Make<FolderObject>(factory.CreateFolder());
        case mfcom::Creatable::Binding:
            return Wrap(factory.CreateBinding());
        case mfcom::Creatable::User:
            return WrapUser(factory.CreateUser());
        case mfcom::Creatable::Group:
            return WrapGroup(factory.CreateGroup());
        case mfcom::Creatable::Credential:
            return Make<CredentialObject>(factory.CreateCredential());
    }
    throw std::logic_error("unknown creatable");
}

HRESULT ReportFailure(int32_t number, const std::string& description, EXCEPINFO* info) {
    if (!info) {
        return number < 0 ? number : E_FAIL;
    }
    *info = EXCEPINFO{};
    try {
        info->bstrSource = win::Bstr(std::string_view("MetaFrameCOM")).Detach();
        info->bstrDescription = win::Bstr(std::string_view(description)).Detach();
    } catch (...) {
        // A description that cannot be carried still leaves the number.
    }
    if (number > 0 && number <= 0xFFFF) {
        info->wCode = static_cast<WORD>(number);
    } else {
        info->scode = number;
    }
    return DISP_E_EXCEPTION;
}

}  // namespace labcom
