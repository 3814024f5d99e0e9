// The functions labfarm.dll exports (labfarm.def): the four of an in-process COM server and
// the test hooks of hooks.h. Nothing throws out of them.
#include <windows.h>

#include <olectl.h>

#include <algorithm>
#include <string>
#include <type_traits>

#include "farm/farm.h"
#include "lab/com/class_factory.h"
#include "lab/com/class_ids.h"
#include "lab/com/hooks.h"
#include "lab/com/module.h"
#include "lab/com/notice.h"
#include "lab/com/registration.h"

using labcom::Module;

namespace {

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

HRESULT Failure(const farm::FarmError& e) {
    return e.number() < 0 ? e.number() : SELFREG_E_CLASS;
}

// A failed (un)registration, told where a person sees it (notice.h).
HRESULT Refused(const char* what, const farm::FarmError& e) {
    try {
        labcom::WriteNotice(std::string("labfarm.dll ") + what + ": " + e.description());
    } catch (...) {
        // Without the notice the HRESULT still says that it failed.
    }
    return Failure(e);
}

}  // namespace

extern "C" {

HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    auto creatable = labcom::ClassOf(clsid);
    if (!creatable) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    try {
        return labcom::MakeClassFactory(*creatable)->QueryInterface(iid, out);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT __stdcall DllCanUnloadNow() {
    return Module::Instance().CanUnload() ? S_OK : S_FALSE;
}

HRESULT __stdcall DllRegisterServer() {
    try {
        labcom::RegisterClasses(Module::Instance().Path());
        labcom::PrepareDemo();
        return S_OK;
    } catch (const farm::FarmError& e) {
        return Refused("not registered", e);
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT __stdcall DllUnregisterServer() {
    try {
        labcom::UnregisterClasses();
        return S_OK;
    } catch (const farm::FarmError& e) {
        return Refused("not unregistered", e);
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

void LabFarm_GetCallCounts(long long* invokes, long long* getIdsOfNames) {
    long long i = 0;
    long long g = 0;
    Module::Instance().CallCounts(i, g);
    if (invokes) {
        *invokes = i;
    }
    if (getIdsOfNames) {
        *getIdsOfNames = g;
    }
}

void LabFarm_ResetCallCounts() {
    Module::Instance().ResetCallCounts();
}

int LabFarm_GetUnknownNames(char* buffer, int size) {
    try {
        const std::string text = Module::Instance().UnknownNames();
        if (buffer && size > 0) {
            const size_t copied = std::min(text.size(), static_cast<size_t>(size - 1));
            text.copy(buffer, copied);
            buffer[copied] = '\0';
        }
        return static_cast<int>(text.size());
    } catch (...) {
        return -1;  // nothing may leave an exported function
    }
}

void LabFarm_FailCall(long long callNumber, int number, const char* description) {
    try {
        Module::Instance().Faults().FailCall(callNumber, number, Text(description));
    } catch (...) {
        // Nothing may leave an exported function; the test sees that its fault never came.
    }
}

void LabFarm_FailOperation(const char* operation, int number, const char* description) {
    try {
        Module::Instance().Faults().FailOperation(Text(operation), number, Text(description));
    } catch (...) {
        // Nothing may leave an exported function; the test sees that its fault never came.
    }
}

void LabFarm_ClearFaults() {
    Module::Instance().Faults().Clear();
}

long long LabFarm_CallCount() {
    return Module::Instance().Faults().CallCount();
}

void LabFarm_ResetCallCount() {
    Module::Instance().Faults().ResetCount();
}

}  // extern "C"

// The exported functions must match the hook types the tests use.
static_assert(std::is_same_v<decltype(&LabFarm_GetCallCounts), labcom::hooks::GetCallCounts>);
static_assert(std::is_same_v<decltype(&LabFarm_GetUnknownNames), labcom::hooks::GetUnknownNames>);
static_assert(std::is_same_v<decltype(&LabFarm_FailCall), labcom::hooks::FailCall>);
static_assert(std::is_same_v<decltype(&LabFarm_FailOperation), labcom::hooks::FailOperation>);
static_assert(std::is_same_v<decltype(&LabFarm_CallCount), labcom::hooks::CallCount>);
