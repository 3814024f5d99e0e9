// The late-bound client against a scripted automation object, its VARIANT conversions, and
// the registered labfarm.dll: its Invoke boundary, its registration, and what a walk over
// many applications costs in Invoke and GetIDsOfNames calls.
#include <gtest/gtest.h>

#include <olectl.h>

#include <cmath>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "contract/contract_support.h"
#include "farm/mfcom/dispatch.h"
#include "farm/mfcom/mfcom.h"
#include "lab/com/dispids.h"
#include "lab/os_file.h"
#include "mfcom/com_support.h"
#include "win/com.h"
#include "win/registry.h"
#include "win/text.h"

namespace {

using mfcom::Op;
using mfcom::Type;
using win::Variant;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// An automation object that records what it is asked and answers as the test scripts it.
// Lives on the stack: references are counted, never deleted.
class ScriptedObject final : public IDispatch {
  public:
    struct Received {
        DISPID dispid;
        WORD flags;
        std::vector<VARTYPE> types;       // DISPPARAMS order
        std::vector<std::string> values;  // as text, DISPPARAMS order
        std::vector<DISPID> named;
    };

    HRESULT getIdsAnswer = S_OK;
    std::function<HRESULT(EXCEPINFO*)> invokeAnswer;  // none: S_OK and `result`
    farm::Value result = 0;
    int getIdsCalls = 0;
    std::vector<std::string> namesAsked;
    std::vector<Received> calls;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* ids) override {
        ++getIdsCalls;
        namesAsked.push_back(win::Narrow(std::wstring_view(names[0])));
        *ids = 100 + getIdsCalls;
        return getIdsAnswer;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* out, EXCEPINFO* excep, UINT*) override {
        Received r{dispid, flags, {}, {}, {}};
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANT& arg = params->rgvarg[i];
            r.types.push_back(V_VT(&arg));
            r.values.push_back(V_VT(&arg) == VT_DISPATCH ? "object" : mfcom::ToText(arg));
        }
        for (UINT i = 0; i < params->cNamedArgs; ++i) {
            r.named.push_back(params->rgdispidNamedArgs[i]);
        }
        calls.push_back(r);
        if (invokeAnswer) {
            return invokeAnswer(excep);
        }
        if (out) {
            mfcom::FromValue(result).DetachTo(out);
        }
        return S_OK;
    }
};

#pragma GCC diagnostic pop

TEST(DispatchTest, ArgumentsGoInReverseWithTheirAutomationTypes) {
    ScriptedObject credential;
    const struct {
        Type type;
        Op op;
        std::initializer_list<mfcom::Arg> args;
        WORD flags;
        std::vector<VARTYPE> types;
        std::vector<std::string> values;
    } cases[] = {
        {Type::Farm, Op::FarmName, {}, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}},
        {Type::Farm,
         Op::FarmGetServer,
         {6, "SRV \xE2\x9C\x93"},
         DISPATCH_METHOD | DISPATCH_PROPERTYGET,
         {VT_BSTR, VT_I4},
         {"SRV \xE2\x9C\x93", "6"}},
        {Type::Application, Op::AppLoadData, {true}, DISPATCH_METHOD, {VT_BOOL}, {"-1"}},
        {Type::WinApp,
         Op::WinAppLoadIconFromFile,
         {"C:\\i.ico", 0},
         DISPATCH_METHOD,
         {VT_I4, VT_BSTR},
         {"0", "C:\\i.ico"}},
        {Type::User,
         Op::UserInitialize,
         {1, "DOM", 2, "name", &credential},  // authority type, its name, account type, name
         DISPATCH_METHOD,
         {VT_DISPATCH, VT_BSTR, VT_I4, VT_BSTR, VT_I4},
         {"object", "name", "2", "DOM", "1"}},
        // The members public use names otherwise than the first reading had them.
        {Type::WinServer,
         Op::WinServerVerMajor,
         {},
         DISPATCH_METHOD | DISPATCH_PROPERTYGET,
         {},
         {}},
        {Type::WinServer,
         Op::WinServerVerMinor,
         {},
         DISPATCH_METHOD | DISPATCH_PROPERTYGET,
         {},
         {}},
        {Type::User, Op::UserUserName, {}, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}},
        {Type::Group, Op::GroupGroupName, {}, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}},
        {Type::User,
         Op::UserInitializeFour,
         {1, "DOM", 1, "name"},
         DISPATCH_METHOD,
         {VT_BSTR, VT_I4, VT_BSTR, VT_I4},
         {"name", "1", "DOM", "1"}},
        {Type::Application,
         Op::AppAddUser,
         {1, "DOM", 2, "name"},
         DISPATCH_METHOD,
         {VT_BSTR, VT_I4, VT_BSTR, VT_I4},
         {"name", "2", "DOM", "1"}},
    };
    const std::map<Op, std::string> publicNames{{Op::WinServerVerMajor, "WinNTVerMajor"},
                                                {Op::WinServerVerMinor, "WinNTVerMinor"},
                                                {Op::UserUserName, "UserName"},
                                                {Op::GroupGroupName, "GroupName"},
                                                {Op::AppAddUser, "AddUser"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(mfcom::MemberOf(c.op).name));
        ScriptedObject object;
        auto session = std::make_shared<mfcom::Session>();
        mfcom::Dispatch(session, c.type, win::ComPtr<IDispatch>(&object)).Call(c.op, c.args);
        ASSERT_EQ(object.calls.size(), 1u);
        EXPECT_EQ(object.calls[0].flags, c.flags);
        EXPECT_EQ(object.calls[0].types, c.types);
        EXPECT_EQ(object.calls[0].values, c.values);
        EXPECT_TRUE(object.calls[0].named.empty());
        EXPECT_EQ(object.namesAsked,
                  std::vector<std::string>{std::string(mfcom::MemberOf(c.op).name)});
        if (auto name = publicNames.find(c.op); name != publicNames.end()) {
            EXPECT_EQ(object.namesAsked, std::vector<std::string>{name->second});
        }
    }
}

TEST(DispatchTest, PutsCarryTheNamedPutArgument) {
    ScriptedObject object;
    mfcom::Dispatch view(std::make_shared<mfcom::Session>(), Type::WinFarm,
                         win::ComPtr<IDispatch>(&object));
    view.PutByName("MaxConnectionsPerUser", 7);
    view.PutByName("NDSPreferredTree", std::string("T\xC3\xA9"));
    ASSERT_EQ(object.calls.size(), 2u);
    for (const auto& call : object.calls) {
        EXPECT_EQ(call.flags, DISPATCH_PROPERTYPUT);
        EXPECT_EQ(call.named, std::vector<DISPID>{DISPID_PROPERTYPUT});
    }
    EXPECT_EQ(object.calls[0].types, std::vector<VARTYPE>{VT_I4});
    EXPECT_EQ(object.calls[1].types, std::vector<VARTYPE>{VT_BSTR});
    EXPECT_EQ(object.calls[1].values, std::vector<std::string>{"T\xC3\xA9"});
}

TEST(DispatchTest, NamesAreAskedOncePerTypeAndName) {
    auto session = std::make_shared<mfcom::Session>();
    ScriptedObject first;
    ScriptedObject second;
    ScriptedObject server;
    mfcom::Dispatch a(session, Type::Farm, win::ComPtr<IDispatch>(&first));
    mfcom::Dispatch b(session, Type::Farm, win::ComPtr<IDispatch>(&second));
    mfcom::Dispatch s(session, Type::Server, win::ComPtr<IDispatch>(&server));
    for (int i = 0; i < 3; ++i) {
        a.Call(Op::FarmName);
        b.Call(Op::FarmName);
        s.Call(Op::ServerName);
        b.GetByName("SomeKey");
    }
    EXPECT_EQ(first.namesAsked, std::vector<std::string>{"FarmName"});
    EXPECT_EQ(second.namesAsked, std::vector<std::string>{"SomeKey"});
    EXPECT_EQ(server.namesAsked, std::vector<std::string>{"ServerName"});
    // The DISPID the first object of a type gave is the one every object of it is called by.
    EXPECT_EQ(second.calls[0].dispid, first.calls[0].dispid);
    EXPECT_EQ(session->Counts().getIdsOfNames, 3);
    EXPECT_EQ(session->Counts().invokes, 12);
}

TEST(DispatchTest, AClientThatLooksUpEveryCallAsksBeforeEachInvoke) {
    auto session = std::make_shared<mfcom::Session>(mfcom::NameLookup::EveryCall);
    ScriptedObject object;
    mfcom::Dispatch a(session, Type::Farm, win::ComPtr<IDispatch>(&object));
    for (int i = 0; i < 3; ++i) {
        a.Call(Op::FarmName);
        a.GetByName("SomeKey");
    }
    EXPECT_EQ(object.namesAsked, (std::vector<std::string>{"FarmName", "SomeKey", "FarmName",
                                                           "SomeKey", "FarmName", "SomeKey"}));
    EXPECT_EQ(session->Counts().getIdsOfNames, 6);
    EXPECT_EQ(session->Counts().invokes, 6);
}

HRESULT __stdcall FillInLater(EXCEPINFO* info) {
    info->scode = static_cast<SCODE>(0x80041777);
    info->bstrDescription = SysAllocString(L"filled in late");
    return S_OK;
}

TEST(DispatchTest, FailuresBecomeFarmErrors) {
    const struct {
        const char* name;
        HRESULT getIds;
        std::function<HRESULT(EXCEPINFO*)> answer;
        int32_t number;
        std::string description;  // empty: any text but the empty one
    } cases[] = {
        {"scode", S_OK,
         [](EXCEPINFO* e) {
             e->scode = static_cast<SCODE>(0x80041234);
             e->bstrDescription = SysAllocString(L"refused \u2713");
             e->bstrSource = SysAllocString(L"MetaFrameCOM");
             return DISP_E_EXCEPTION;
         },
         static_cast<int32_t>(0x80041234), "refused \xE2\x9C\x93"},
        {"wCode", S_OK,
         [](EXCEPINFO* e) {
             e->wCode = 70;
             e->bstrDescription = SysAllocString(L"Permission denied");
             return DISP_E_EXCEPTION;
         },
         70, "Permission denied"},
        {"deferred fill-in", S_OK,
         [](EXCEPINFO* e) {
             e->pfnDeferredFillIn = FillInLater;
             return DISP_E_EXCEPTION;
         },
         static_cast<int32_t>(0x80041777), "filled in late"},
        {"empty exception", S_OK, [](EXCEPINFO*) { return DISP_E_EXCEPTION; },
         static_cast<int32_t>(DISP_E_EXCEPTION), ""},
        {"other HRESULT", S_OK, [](EXCEPINFO*) { return DISP_E_TYPEMISMATCH; },
         static_cast<int32_t>(DISP_E_TYPEMISMATCH), ""},
        {"unknown name", DISP_E_UNKNOWNNAME, nullptr, static_cast<int32_t>(DISP_E_UNKNOWNNAME), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedObject object;
        object.getIdsAnswer = c.getIds;
        object.invokeAnswer = c.answer;
        mfcom::Dispatch farm(std::make_shared<mfcom::Session>(), Type::Farm,
                             win::ComPtr<IDispatch>(&object));
        auto error = contract::ErrorOf([&] { farm.Call(Op::FarmName); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number(), c.number);
        if (c.description.empty()) {
            EXPECT_FALSE(error->description().empty());
        } else {
            EXPECT_EQ(error->description(), c.description);
        }
        if (c.getIds == DISP_E_UNKNOWNNAME) {
            EXPECT_NE(error->description().find("'FarmName'"), std::string::npos);
            EXPECT_NE(error->description().find("MetaFrameFarm"), std::string::npos);
            EXPECT_TRUE(object.calls.empty());
        }
    }
}

Variant Make(VARTYPE type, const std::function<void(VARIANT&)>& fill) {
    Variant v;
    V_VT(v.Put()) = type;
    fill(*v.Raw());
    return v;
}

TEST(ConversionTest, VariantsBecomeValuesAsAutomationConvertsThem) {
    LONG referenced = 42;
    const struct {
        const char* name;
        Variant input;
        std::optional<farm::Value> value;  // none: failure
        int32_t error;
    } cases[] = {
        {"I2", Make(VT_I2, [](VARIANT& v) { V_I2(&v) = -7; }), farm::Value(-7), 0},
        {"UI1", Make(VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }), farm::Value(200), 0},
        {"true", Make(VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_TRUE; }), farm::Value(-1), 0},
        {"false", Make(VT_BOOL, [](VARIANT& v) { V_BOOL(&v) = VARIANT_FALSE; }), farm::Value(0), 0},
        {"R8 half to even", Make(VT_R8, [](VARIANT& v) { V_R8(&v) = 2.5; }), farm::Value(2), 0},
        {"R8 odd half up", Make(VT_R8, [](VARIANT& v) { V_R8(&v) = 3.5; }), farm::Value(4), 0},
        {"by reference", Make(VT_I4 | VT_BYREF, [&](VARIANT& v) { V_I4REF(&v) = &referenced; }),
         farm::Value(42), 0},
        {"text", Variant("W\xC3\xB6rd \xF0\x9D\x84\x9E"),
         farm::Value("W\xC3\xB6rd \xF0\x9D\x84\x9E"), 0},
        {"empty", Variant(), farm::Value(std::string()), 0},
        {"I8 beyond 32 bits", Make(VT_I8, [](VARIANT& v) { V_I8(&v) = 1LL << 40; }), std::nullopt,
         base::kErrOverflow},
        {"null", Make(VT_NULL, [](VARIANT&) {}), std::nullopt, base::kErrInvalidUseOfNull},
        {"object", Variant(static_cast<IDispatch*>(nullptr)), std::nullopt, base::kErrTypeMismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<farm::Value> value;
        auto error = contract::ErrorOf([&] { value = mfcom::ToValue(c.input.Get()); });
        if (c.value) {
            ASSERT_FALSE(error.has_value()) << error->description();
            EXPECT_EQ(*value, *c.value);
        } else {
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->number(), c.error);
        }
    }
    EXPECT_EQ(mfcom::ToNumber(Variant("12").Get()), 12);
    EXPECT_EQ(contract::ErrorOf([] { mfcom::ToNumber(Variant("twelve").Get()); })->number(),
              base::kErrTypeMismatch);
}

// ---- The registered labfarm.dll ------------------------------------------------------

class LabFarmDll : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = contract::UniqueTempFolder("zelt-mfcom");
        setting_ = std::make_unique<comtest::ScopedLabSetting>(root_, lab::kDemoFarm);
        lab::FarmStore store(root_);
        store.SetDurable(false);
        store.Write(lab::MakeDemoFarm());
    }
    void TearDown() override {
        setting_.reset();
        lab::os::RemoveTree(root_);
    }

    static win::ComPtr<IDispatch> CreateFarmObject() {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(L"MetaFrameCOM.MetaFrameFarm", &clsid), S_OK);
        win::ComPtr<IDispatch> object;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(object.Put())),
                  S_OK);
        return object;
    }

    std::filesystem::path root_;
    std::unique_ptr<comtest::ScopedLabSetting> setting_;
};

// An export-style walk: every application's name, distinguished name, description and a
// few keys of its Windows-application view. Names are resolved once per object type, so
// the GetIDsOfNames calls do not grow with the number of applications.
TEST_F(LabFarmDll, WalkResolvesEachNameOncePerObjectType) {
    const char* keys[] = {"DefaultInitProg", "EnableApp", "DefaultWindowWidth", "PNAttributes"};
    mfcom::MfcomFactory factory;
    auto walk = [&] {
        auto farm = factory.CreateFarm();
        farm->Initialize(farm::kWinFarmObject);
        int64_t reads = 0;
        for (auto& app : farm->Applications()->Items()) {
            EXPECT_FALSE(app->DistinguishedName().empty());
            EXPECT_FALSE(app->AppName().empty());
            app->Description();
            auto view = app->WinAppObject();
            for (const char* key : keys) {
                view->Get(key);
            }
            reads += 3 + static_cast<int64_t>(std::size(keys));
        }
        return reads;
    };
    const size_t apps = lab::MakeDemoFarm().applications.size();
    ASSERT_GE(apps, 10u);

    comtest::Hook<labcom::hooks::ResetCallCounts>(labcom::hooks::kResetCallCounts)();
    const int64_t reads = walk();
    const auto first = comtest::ReadDllCounts();
    // Farm: Initialize, Applications; application: 3 texts and WinAppObject; view: 4 keys.
    const long long names = 2 + 4 + static_cast<long long>(std::size(keys));
    EXPECT_EQ(first.getIdsOfNames, names);
    // One Invoke per read, plus Initialize, Applications, _NewEnum and each WinAppObject.
    EXPECT_EQ(first.invokes, reads + 3 + static_cast<long long>(apps));
    // The client counts exactly what the server received.
    EXPECT_EQ(factory.Counts().invokes, first.invokes);
    EXPECT_EQ(factory.Counts().getIdsOfNames, first.getIdsOfNames);

    walk();
    const auto second = comtest::ReadDllCounts();
    EXPECT_EQ(second.getIdsOfNames, first.getIdsOfNames);
    EXPECT_EQ(second.invokes, 2 * first.invokes);

    std::cout << "walk over " << apps << " applications: " << reads << " reads, " << first.invokes
              << " Invoke (" << static_cast<double>(first.invokes) / reads << " per read), "
              << first.getIdsOfNames << " GetIDsOfNames ("
              << static_cast<double>(first.getIdsOfNames) / reads << " per read)\n";
    RecordProperty("InvokePerRead", std::to_string(static_cast<double>(first.invokes) / reads));
    RecordProperty("GetIDsOfNamesPerRead",
                   std::to_string(static_cast<double>(first.getIdsOfNames) / reads));
}

// The server's Invoke boundary as any automation client meets it.
TEST_F(LabFarmDll, InvokeChecksAndCoercesArguments) {
    auto farm = CreateFarmObject();
    ASSERT_TRUE(farm);
    auto dispidOf = [&](const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        HRESULT hr = farm->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        return hr == S_OK ? id : DISPID_UNKNOWN;
    };
    const DISPID initialize = dispidOf(L"Initialize");
    const DISPID farmName = dispidOf(L"FarmName");
    EXPECT_EQ(dispidOf(L"fARMnAME"), farmName);
    EXPECT_EQ(dispidOf(L"NoSuchMember"), DISPID_UNKNOWN);

    auto invoke = [&](DISPID id, WORD flags, const Variant* arg = nullptr, UINT* argErr = nullptr,
                      EXCEPINFO* excep = nullptr, VARIANT* result = nullptr) {
        VARIANT raw = arg ? arg->Get() : VARIANT{};
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{arg ? &raw : nullptr, put ? &named : nullptr, arg ? 1u : 0u,
                          put ? 1u : 0u};
        return farm->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep,
                            argErr);
    };

    // Before Initialize the lab refuses; the refusal arrives as EXCEPINFO.
    win::ExcepInfo excep;
    ASSERT_EQ(invoke(farmName, DISPATCH_PROPERTYGET, nullptr, nullptr, &excep.info),
              DISP_E_EXCEPTION);
    lab::LabFactory reference(std::make_shared<lab::FarmStore>(root_), lab::kDemoFarm);
    auto expected = contract::ErrorOf([&] { reference.CreateFarm()->FarmName(); });
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(excep.info.scode, expected->number());
    EXPECT_EQ(win::FromBstr(excep.info.bstrDescription), expected->description());
    EXPECT_EQ(win::FromBstr(excep.info.bstrSource), "MetaFrameCOM");

    UINT argErr = 99;
    const Variant one("one");
    EXPECT_EQ(invoke(initialize, DISPATCH_METHOD), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(invoke(initialize, DISPATCH_METHOD, &one, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
    EXPECT_EQ(invoke(farmName, DISPATCH_PROPERTYPUT, &one), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(invoke(4242, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);

    // A script passes a variable by reference, as a 16-bit integer.
    SHORT type = 1;
    const Variant byReference = Make(VT_I2 | VT_BYREF, [&](VARIANT& v) { V_I2REF(&v) = &type; });
    EXPECT_EQ(invoke(initialize, DISPATCH_METHOD, &byReference), S_OK);
    Variant name;
    EXPECT_EQ(invoke(farmName, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr,
                     name.Put()),
              S_OK);
    EXPECT_EQ(mfcom::ToText(name.Get()), lab::kDemoFarm);

    // A name no object of the kind has is a farm failure that names it.
    mfcom::Dispatch dispatch(std::make_shared<mfcom::Session>(), Type::Farm, farm);
    auto missing = contract::ErrorOf([&] { dispatch.GetByName("NoSuchMember"); });
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->number(), static_cast<int32_t>(DISP_E_UNKNOWNNAME));
    EXPECT_NE(missing->description().find("'NoSuchMember'"), std::string::npos);
}

// The dll's own type library agrees with the member table: each kind's dispinterface declares
// every member under the DISPID the server answers, with arguments every form fits, and
// types the views by what returns them; each object hands out its kind's type information.
TEST_F(LabFarmDll, TypeLibraryDeclaresTheMemberTable) {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(comtest::LabFarmModule(), path, static_cast<DWORD>(std::size(path)));
    win::ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, library.Put()), S_OK);
    auto typeNamed = [&](std::string_view name) {
        win::ComPtr<ITypeInfo> info;
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            win::Bstr found;
            library->GetDocumentation(static_cast<INT>(i), found.Put(), nullptr, nullptr, nullptr);
            if (found.Utf8() == name) {
                library->GetTypeInfo(i, info.Put());
            }
        }
        return info;
    };
    for (const mfcom::Member& member : mfcom::kMembers) {
        SCOPED_TRACE(std::string(mfcom::KindName(member.object)) + "." + std::string(member.name));
        auto info = typeNamed(labcom::InterfaceName(member.object));
        ASSERT_TRUE(info);
        win::Bstr name(member.name);
        LPOLESTR names[] = {name.Get()};
        MEMBERID id = MEMBERID_NIL;
        ASSERT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK);
        const mfcom::Member* first = mfcom::FindMember(member.object, member.name);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(id, labcom::DispidOf(first->op));
        const win::TypeAttr attr(*info.Get());
        ASSERT_TRUE(attr);
        bool fits = false;
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            const win::FuncDesc desc(*info.Get(), i);
            ASSERT_TRUE(desc);
            if (desc->memid == id && desc->invkind == INVOKE_PROPERTYPUT) {
                EXPECT_EQ(member.access, mfcom::Access::Property);
            } else if (desc->memid == id) {
                const size_t all = static_cast<size_t>(desc->cParams);
                const size_t optional = static_cast<size_t>(desc->cParamsOpt);
                fits = member.args.size() <= all && member.args.size() + optional >= all;
                EXPECT_EQ(desc->invkind == INVOKE_PROPERTYGET,
                          member.access != mfcom::Access::Method);
                const VARTYPE returned = desc->elemdescFunc.tdesc.vt;
                if (member.result == 's' || member.result == 'n') {
                    EXPECT_EQ(returned, member.result == 's' ? VT_BSTR : VT_I4);
                }
            }
        }
        EXPECT_TRUE(fits);
    }

    auto farm = CreateFarmObject();
    UINT count = 0;
    EXPECT_EQ(farm->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    win::ComPtr<ITypeInfo> farmInfo;
    ASSERT_EQ(farm->GetTypeInfo(0, LOCALE_USER_DEFAULT, farmInfo.Put()), S_OK);
    win::Bstr farmName;
    farmInfo->GetDocumentation(MEMBERID_NIL, farmName.Put(), nullptr, nullptr, nullptr);
    EXPECT_EQ(farmName.Utf8(), "MetaFrameFarm");
}

std::optional<std::wstring> ClassValue(const std::wstring& progId, const std::wstring& subkey,
                                       const std::wstring& value) {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) {
        return std::nullopt;
    }
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return win::RegKey::Open(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + text + subkey)
        .ReadText(value);
}

TEST_F(LabFarmDll, RegistrationComesAndGoes) {
    HMODULE dll = comtest::LabFarmModule();
    using Entry = HRESULT(__stdcall*)();
    auto registerServer =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    auto unregisterServer = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllUnregisterServer")));
    ASSERT_TRUE(registerServer && unregisterServer);
    // Whatever happens below, the dll is registered again afterwards.
    struct Reregister {
        Entry entry;
        ~Reregister() { entry(); }
    } reregister{registerServer};

    wchar_t dllPath[MAX_PATH * 4] = {};
    GetModuleFileNameW(dll, dllPath, static_cast<DWORD>(std::size(dllPath)));

    ASSERT_EQ(unregisterServer(), S_OK);
    for (const auto& entry : mfcom::kProgIds) {
        CLSID clsid{};
        EXPECT_TRUE(FAILED(CLSIDFromProgID(win::Widen(entry.progId).c_str(), &clsid)))
            << entry.progId;
    }
    // A workstation without the farm interface: creation is a farm failure.
    mfcom::MfcomFactory factory;
    auto missing = contract::ErrorOf([&] { factory.CreateFarm(); });
    ASSERT_TRUE(missing.has_value());
    EXPECT_LT(missing->number(), 0);
    EXPECT_FALSE(missing->description().empty());

    // Registration installs the demo farms where StorePath points and, with no Farm value
    // yet, points the workstation at the demo farm; an existing value stays.
    const auto demoRoot = root_ / "demo store";
    comtest::ScopedLabSetting demoSetting(demoRoot);
    labcom::DeleteSetting(labcom::kFarmValue);
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(labcom::ReadSetting(labcom::kFarmValue), std::optional<std::string>(lab::kDemoFarm));
    lab::FarmStore demo(demoRoot);
    for (const char* name : {lab::kDemoFarm, lab::kTargetFarm, lab::kNoAdminFarm}) {
        EXPECT_TRUE(demo.HasFarm(name)) << name;
    }
    labcom::WriteSetting(labcom::kFarmValue, "Elsewhere");
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(labcom::ReadSetting(labcom::kFarmValue), std::optional<std::string>("Elsewhere"));

    for (const auto& entry : mfcom::kProgIds) {
        SCOPED_TRACE(std::string(entry.progId));
        std::wstring progId = win::Widen(entry.progId);
        EXPECT_EQ(ClassValue(progId, L"\\InprocServer32", L""), std::wstring(dllPath));
        EXPECT_EQ(ClassValue(progId, L"\\InprocServer32", L"ThreadingModel"),
                  std::wstring(L"Apartment"));
        EXPECT_EQ(ClassValue(progId, L"\\ProgID", L""), progId);
    }
    // ProgIDs are found whatever their case.
    CLSID lower{};
    CLSID proper{};
    EXPECT_EQ(CLSIDFromProgID(L"metaframecom.METAFRAMESERVER", &lower), S_OK);
    EXPECT_EQ(CLSIDFromProgID(L"MetaFrameCOM.MetaFrameServer", &proper), S_OK);
    EXPECT_TRUE(IsEqualCLSID(lower, proper));
}

}  // namespace
