#include "farm/mfcom/com.h"

#include <new>

#include "base/error.h"
#include "win/system_message.h"

namespace mfcom {

using win::Check;
using win::ComPtr;
using win::FromBstr;
using win::Variant;

namespace {

// A VARIANT passed by reference, followed to its value (copied into holder only then).
const VARIANT& Plain(const VARIANT& v, Variant& holder) {
    if ((V_VT(&v) & VT_BYREF) == 0) {
        return v;
    }
    Check(VariantCopyInd(holder.Put(), const_cast<VARIANT*>(&v)));
    return holder.Get();
}

[[noreturn]] void ThrowConversion(HRESULT hr) {
    switch (hr) {
        case DISP_E_OVERFLOW:
            throw farm::FarmError(base::kErrOverflow, "Overflow");
        case DISP_E_TYPEMISMATCH:
        case DISP_E_BADVARTYPE:
            throw farm::FarmError(base::kErrTypeMismatch, "Type mismatch");
        case E_OUTOFMEMORY:
            throw std::bad_alloc();
        default:
            throw farm::FarmError(hr, win::SystemMessage(static_cast<DWORD>(hr)));
    }
}

void ThrowIfNull(const VARIANT& v) {
    if (V_VT(&v) == VT_NULL) {
        throw farm::FarmError(base::kErrInvalidUseOfNull, "Invalid use of Null");
    }
}

Variant ChangeType(const VARIANT& v, VARTYPE type) {
    ThrowIfNull(v);
    Variant result;
    HRESULT hr = VariantChangeType(result.Put(), const_cast<VARIANT*>(&v), 0, type);
    if (FAILED(hr)) {
        ThrowConversion(hr);
    }
    return result;
}

}  // namespace

int32_t ToNumber(const VARIANT& v) {
    Variant holder;
    const VARIANT& plain = Plain(v, holder);
    if (V_VT(&plain) == VT_I4) {
        return V_I4(&plain);
    }
    return V_I4(&ChangeType(plain, VT_I4).Get());
}

std::string ToText(const VARIANT& v) {
    Variant holder;
    const VARIANT& plain = Plain(v, holder);
    if (V_VT(&plain) == VT_BSTR) {
        return FromBstr(V_BSTR(&plain));
    }
    return FromBstr(V_BSTR(&ChangeType(plain, VT_BSTR).Get()));
}

farm::Value ToValue(const VARIANT& v) {
    Variant holder;
    const VARIANT& plain = Plain(v, holder);
    switch (V_VT(&plain)) {
        case VT_BSTR:
            return FromBstr(V_BSTR(&plain));
        case VT_EMPTY:
            return std::string();
        case VT_BOOL:
            return V_BOOL(&plain) != VARIANT_FALSE ? -1 : 0;
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
            return ToNumber(plain);
        case VT_NULL:
            ThrowIfNull(plain);
            break;
        default:
            break;
    }
    throw farm::FarmError(base::kErrTypeMismatch, "Type mismatch");
}

Variant FromValue(const farm::Value& value) {
    if (const auto* number = std::get_if<int32_t>(&value)) {
        return Variant(*number);
    }
    return Variant(std::string_view(std::get<std::string>(value)));
}

ComPtr<IDispatch> ToDispatch(const VARIANT& v) {
    Variant holder;
    const VARIANT& plain = Plain(v, holder);
    if (V_VT(&plain) == VT_DISPATCH) {
        return ComPtr<IDispatch>(V_DISPATCH(&plain));
    }
    if (V_VT(&plain) == VT_UNKNOWN && V_UNKNOWN(&plain)) {
        return ComPtr<IUnknown>(V_UNKNOWN(&plain)).As<IDispatch>(IID_IDispatch);
    }
    return {};
}

}  // namespace mfcom
