#include "win/com.h"

#include <new>

#include "base/error.h"
#include "win/system_message.h"
#include "win/text.h"

namespace win {

ComInit::ComInit() {
    Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ComInit::~ComInit() {
    CoUninitialize();
}

HRESULT SetCallSecurity() {
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

std::string FromBstr(BSTR text) {
    return text ? Narrow(std::wstring_view(text, SysStringLen(text))) : std::string();
}

Bstr::Bstr(std::string_view utf8) : Bstr(std::wstring_view(Widen(utf8))) {}

Bstr::Bstr(std::wstring_view utf16) {
    b_ = SysAllocStringLen(utf16.data(), static_cast<UINT>(utf16.size()));
    if (!b_) {
        throw std::bad_alloc();
    }
}

Variant::Variant(int32_t number) : Variant() {
    V_VT(&v_) = VT_I4;
    V_I4(&v_) = number;
}

Variant::Variant(std::string_view utf8) : Variant() {
    Bstr text(utf8);
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = text.Detach();
}

Variant::Variant(bool flag) : Variant() {
    V_VT(&v_) = VT_BOOL;
    V_BOOL(&v_) = flag ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(IDispatch* object) : Variant() {
    V_VT(&v_) = VT_DISPATCH;
    V_DISPATCH(&v_) = object;
    if (object) {
        object->AddRef();
    }
}

Variant::Variant(Variant&& other) noexcept : v_(other.v_) {
    VariantInit(&other.v_);
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&v_);
        v_ = other.v_;
        VariantInit(&other.v_);
    }
    return *this;
}

void Check(HRESULT hr) {
    if (hr == E_OUTOFMEMORY) {
        throw std::bad_alloc();
    }
    if (FAILED(hr)) {
        throw base::Error(hr, SystemMessage(static_cast<DWORD>(hr)));
    }
}

}  // namespace win
