#include "farm/mfcom/com.h"

#include <climits>
#include <cstdio>
#include <new>

namespace mfcom {

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
            throw farm::FarmError(kErrOverflow, "Overflow");
        case DISP_E_TYPEMISMATCH:
        case DISP_E_BADVARTYPE:
            throw farm::FarmError(kErrTypeMismatch, "Type mismatch");
        case E_OUTOFMEMORY:
            throw std::bad_alloc();
        default:
            throw farm::FarmError(hr, SystemMessage(hr));
    }
}

void ThrowIfNull(const VARIANT& v) {
    if (V_VT(&v) == VT_NULL) {
        throw farm::FarmError(kErrInvalidUseOfNull, "Invalid use of Null");
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

ComInit::ComInit() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        throw farm::FarmError(hr, SystemMessage(hr));
    }
}

ComInit::~ComInit() {
    CoUninitialize();
}

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    if (utf8.size() > static_cast<size_t>(INT_MAX)) {
        throw farm::FarmError(kErrInvalidArgument, "Text too long");
    }
    const int size = static_cast<int>(utf8.size());
    int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (wide <= 0) {
        throw farm::FarmError(kErrInvalidArgument, "Text is not valid UTF-8");
    }
    std::wstring result(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, result.data(), wide);
    return result;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    if (utf16.size() > static_cast<size_t>(INT_MAX / 3)) {
        throw farm::FarmError(kErrInvalidArgument, "Text too long");
    }
    const int size = static_cast<int>(utf16.size());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::string Narrow(BSTR text) {
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

std::string SystemMessage(HRESULT hr) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (buffer) {
        text.assign(buffer, length);
        LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    if (text.empty()) {
        char fallback[40];
        std::snprintf(fallback, sizeof fallback, "Automation error 0x%08lX",
                      static_cast<unsigned long>(static_cast<uint32_t>(hr)));
        return fallback;
    }
    return Narrow(text);
}

void Check(HRESULT hr) {
    if (hr == E_OUTOFMEMORY) {
        throw std::bad_alloc();
    }
    if (FAILED(hr)) {
        throw farm::FarmError(hr, SystemMessage(hr));
    }
}

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
        return Narrow(V_BSTR(&plain));
    }
    return Narrow(V_BSTR(&ChangeType(plain, VT_BSTR).Get()));
}

bool ToBool(const VARIANT& v) {
    Variant holder;
    const VARIANT& plain = Plain(v, holder);
    return V_BOOL(&ChangeType(plain, VT_BOOL).Get()) != VARIANT_FALSE;
}

farm::Value ToValue(const VARIANT& v) {
    Variant holder;
    const VARIANT& plain = Plain(v, holder);
    switch (V_VT(&plain)) {
        case VT_BSTR:
            return Narrow(V_BSTR(&plain));
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
    throw farm::FarmError(kErrTypeMismatch, "Type mismatch");
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
