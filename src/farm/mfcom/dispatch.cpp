#include "farm/mfcom/dispatch.h"

#include <stdexcept>
#include <utility>

#include "base/error.h"
#include "farm/mfcom/type_library.h"
#include "win/com.h"
#include "win/system_message.h"
#include "win/text.h"

namespace mfcom {

static_assert(DISP_E_UNKNOWNNAME == base::kErrUnknownName);

namespace {

struct TypeInfo {
    Kind kind;
    std::string_view name;
};

// In the order of Type.
constexpr std::array<TypeInfo, kTypeCount> kTypes{{
    {Kind::Farm, "MetaFrameFarm"},
    {Kind::Zone, "Zone"},
    {Kind::Server, "MetaFrameServer"},
    {Kind::Application, "MetaFrameApplication"},
    {Kind::WinFarm, "WinFarmObject"},
    {Kind::WinServer, "WinServerObject"},
    {Kind::WinApp, "WinAppObject"},
    {Kind::Folder, "MetaFrameFolder"},
    {Kind::Binding, "MetaFrameAppSrvBinding"},
    {Kind::User, "MetaFrameUser"},
    {Kind::Group, "MetaFrameGroup"},
    {Kind::Credential, "MetaFrameCredential"},
    {Kind::Collection, "Zones collection"},
    {Kind::Collection, "Servers collection"},
    {Kind::Collection, "Applications collection"},
    {Kind::Collection, "application's Servers collection"},
    {Kind::Collection, "Users collection"},
    {Kind::Collection, "Groups collection"},
}};

const TypeInfo& InfoOf(Type type) {
    return kTypes[static_cast<size_t>(type)];
}

bool Matches(char expected, const Arg& arg) {
    switch (expected) {
        case 'n':
            return std::holds_alternative<int32_t>(arg);
        case 's':
            return std::holds_alternative<std::string_view>(arg);
        case 'b':
            return std::holds_alternative<bool>(arg);
        case 'o':
            return std::holds_alternative<IDispatch*>(arg);
        default:
            return false;
    }
}

win::Variant ToVariant(const Arg& arg) {
    return std::visit([](auto value) { return win::Variant(value); }, arg);
}

}  // namespace

Kind KindOf(Type type) {
    return InfoOf(type).kind;
}
std::string_view TypeName(Type type) {
    return InfoOf(type).name;
}

DISPID Session::DispidOf(Type type, IDispatch& object, std::string_view name) {
    auto unknown = [&] {
        return farm::FarmError(DISP_E_UNKNOWNNAME, "The " + std::string(TypeName(type)) +
                                                       " object has no member '" +
                                                       std::string(name) + "'.");
    };
    auto& cache = cache_[static_cast<size_t>(type)];
    if (auto found = cache.find(name); found != cache.end()) {
        if (found->second == DISPID_UNKNOWN) {
            throw unknown();
        }
        return found->second;
    }
    win::Bstr wide(name);
    LPOLESTR names[] = {wide.Get()};
    DISPID dispid = DISPID_UNKNOWN;
    ++counts_.getIdsOfNames;
    namesAsked_.emplace(KindOf(type), std::string(name));
    HRESULT hr = object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    const bool known = hr != DISP_E_UNKNOWNNAME && hr != DISP_E_MEMBERNOTFOUND;
    if (known) {
        win::Check(hr);
    }
    if (lookup_ == NameLookup::Cached) {
        cache.emplace(std::string(name), known ? dispid : DISPID_UNKNOWN);
    }
    if (!known) {
        throw unknown();
    }
    return dispid;
}

bool FormUnknown(const farm::FarmError& error) {
    const int32_t n = error.number();
    return n == DISP_E_UNKNOWNNAME || n == DISP_E_BADPARAMCOUNT || n == DISP_E_TYPEMISMATCH;
}

bool ClassUnavailable(const farm::FarmError& error) {
    const int32_t n = error.number();
    return n == REGDB_E_CLASSNOTREG || n == CO_E_CLASSSTRING || n == CLASS_E_CLASSNOTAVAILABLE;
}

const Constants& Session::FarmConstants() {
    if (!constants_) {
        constants_ = Constants::From(LoadFarmTypeLibrary().library.Get());
    }
    return *constants_;
}

bool Session::UsesAlternative(Type type, Op op) const {
    return alternatives_.contains({type, op});
}

void Session::UseAlternative(Type type, Op op) {
    alternatives_.insert({type, op});
}

farm::FarmError InvokeError(HRESULT hr, EXCEPINFO& info) {
    if (hr != DISP_E_EXCEPTION) {
        return farm::FarmError(hr, win::SystemMessage(hr));
    }
    if (info.pfnDeferredFillIn) {
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    int32_t number = info.scode != 0 ? info.scode : info.wCode;
    if (number == 0) {
        number = DISP_E_EXCEPTION;
    }
    std::string description = win::FromBstr(info.bstrDescription);
    if (description.empty()) {
        description =
            number < 0 ? win::SystemMessage(number) : "Application-defined or object-defined error";
    }
    return farm::FarmError(number, std::move(description));
}

Dispatch::Dispatch(std::shared_ptr<Session> session, Type type, win::ComPtr<IDispatch> object)
    : session_(std::move(session)), type_(type), object_(std::move(object)) {
    if (!object_) {
        throw farm::FarmError(E_POINTER,
                              "The farm returned no " + std::string(TypeName(type)) + " object.");
    }
}

win::Variant Dispatch::Call(Op op, std::initializer_list<Arg> args) {
    const Member& member = MemberOf(op);
    if (member.object != KindOf(type_) || member.args.size() != args.size()) {
        throw std::logic_error("mfcom: " + std::string(member.name) + " called wrongly");
    }
    std::vector<win::Variant> reversed;
    reversed.reserve(args.size());
    size_t i = args.size();
    for (auto arg = std::rbegin(args); arg != std::rend(args); ++arg) {
        if (!Matches(member.args[--i], *arg)) {
            throw std::logic_error("mfcom: argument of " + std::string(member.name));
        }
        reversed.push_back(ToVariant(*arg));
    }
    if (op == Op::CollectionNewEnum) {
        return Invoke(kNewEnumDispid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, reversed, false);
    }
    DISPID dispid = session_->DispidOf(type_, *object_.Get(), member.name);
    // As a script client calls: whatever gives a value may be a property or a method.
    const WORD flags =
        member.result == '-' ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    return Invoke(dispid, flags, reversed, false);
}

void Dispatch::Put(Op op, const farm::Value& value) {
    const Member& member = MemberOf(op);
    if (member.object != KindOf(type_) || member.access != Access::Property) {
        throw std::logic_error("mfcom: " + std::string(member.name) + " put wrongly");
    }
    std::vector<win::Variant> args;
    args.push_back(FromValue(value));
    Invoke(session_->DispidOf(type_, *object_.Get(), member.name), DISPATCH_PROPERTYPUT, args,
           true);
}

win::Variant Dispatch::GetByName(std::string_view name) {
    std::vector<win::Variant> none;
    return Invoke(session_->DispidOf(type_, *object_.Get(), name),
                  DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, false);
}

void Dispatch::PutByName(std::string_view name, const farm::Value& value) {
    std::vector<win::Variant> args;
    args.push_back(FromValue(value));
    Invoke(session_->DispidOf(type_, *object_.Get(), name), DISPATCH_PROPERTYPUT, args, true);
}

win::Variant Dispatch::Invoke(DISPID dispid, WORD flags, std::vector<win::Variant>& reversedArgs,
                              bool put) {
    // DISPPARAMS wants one contiguous array: move the arguments in, and back out for cleanup.
    std::vector<VARIANT> raw(reversedArgs.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        reversedArgs[i].DetachTo(&raw[i]);
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{raw.data(), put ? &named : nullptr, static_cast<UINT>(raw.size()),
                      put ? 1u : 0u};
    win::Variant result;
    win::ExcepInfo excep;
    UINT argErr = 0;
    session_->CountInvoke();
    HRESULT hr = object_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 put ? nullptr : result.Put(), &excep.info, &argErr);
    for (size_t i = 0; i < raw.size(); ++i) {
        *reversedArgs[i].Put() = raw[i];
    }
    if (FAILED(hr)) {
        throw InvokeError(hr, excep.info);
    }
    return result;
}

std::vector<win::ComPtr<IDispatch>> Dispatch::Enumerate() {
    win::Variant holder = Call(Op::CollectionNewEnum);
    win::ComPtr<IEnumVARIANT> items;
    const VARIANT& v = holder.Get();
    if (V_VT(&v) == VT_UNKNOWN || V_VT(&v) == VT_DISPATCH) {
        IUnknown* unknown = V_VT(&v) == VT_UNKNOWN ? V_UNKNOWN(&v) : V_DISPATCH(&v);
        if (unknown) {
            items = win::ComPtr<IUnknown>(unknown).As<IEnumVARIANT>(IID_IEnumVARIANT);
        }
    }
    if (!items) {
        throw farm::FarmError(base::kErrTypeMismatch,
                              "The " + std::string(TypeName(type_)) + " gave no enumerator.");
    }
    std::vector<win::ComPtr<IDispatch>> result;
    for (;;) {
        win::Variant item;
        ULONG fetched = 0;
        HRESULT hr = items->Next(1, item.Put(), &fetched);
        win::Check(hr);
        if (hr != S_OK || fetched == 0) {
            break;
        }
        win::ComPtr<IDispatch> object = ToDispatch(item.Get());
        if (!object) {
            throw farm::FarmError(base::kErrTypeMismatch, "Type mismatch");
        }
        result.push_back(std::move(object));
    }
    return result;
}

}  // namespace mfcom
