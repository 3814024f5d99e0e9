// Owners and conversions at the COM edge: COM pointers, BSTR, VARIANT, the COM apartment,
// UTF-8 <-> UTF-16, VARIANT <-> farm::Value, and HRESULTs turned into farm::FarmError.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "farm/farm.h"

namespace mfcom {

// Conventional runtime error numbers raised at the COM edge.
inline constexpr int32_t kErrInvalidArgument = 5;
inline constexpr int32_t kErrOverflow = 6;
inline constexpr int32_t kErrTypeMismatch = 13;
inline constexpr int32_t kErrInvalidUseOfNull = 94;

// Owns one reference to a COM interface.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    // From a pointer to a derived interface or class.
    template <class U>
    requires std::is_convertible_v<U*, T*> ComPtr(ComPtr<U>&& other)
    noexcept : p_(other.Detach()) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Adopts a reference the caller already owns.
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out parameters: releases what is held first.
    T** Put() {
        Reset();
        return &p_;
    }
    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> result;
        if (p_) {
            p_->QueryInterface(iid, reinterpret_cast<void**>(result.Put()));
        }
        return result;
    }

  private:
    T* p_ = nullptr;
};

// Initialises COM for the calling thread (apartment-threaded) for the owner's lifetime.
class ComInit {
  public:
    ComInit();
    ~ComInit();
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
};

std::wstring Widen(std::string_view utf8);  // invalid UTF-8: FarmError 5
std::string Narrow(std::wstring_view utf16);
std::string Narrow(BSTR text);  // a null BSTR is the empty text

// Owns a BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);
    explicit Bstr(std::wstring_view utf16);
    Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(b_, other.b_);
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }

    BSTR Get() const { return b_; }
    BSTR Detach() { return std::exchange(b_, nullptr); }
    BSTR* Put() {
        SysFreeString(std::exchange(b_, nullptr));
        return &b_;
    }
    std::string Utf8() const { return Narrow(b_); }

  private:
    BSTR b_ = nullptr;
};

// Owns a VARIANT.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    explicit Variant(int32_t number);
    explicit Variant(std::string_view utf8);
    explicit Variant(const char* utf8) : Variant(std::string_view(utf8)) {}
    explicit Variant(bool flag);
    explicit Variant(IDispatch* object);  // takes a new reference
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }

    const VARIANT& Get() const { return v_; }
    VARIANT* Raw() { return &v_; }
    // For out parameters: clears what is held first.
    VARIANT* Put() {
        VariantClear(&v_);
        return &v_;
    }
    // Hands the content to a caller-owned VARIANT, leaving this one empty.
    void DetachTo(VARIANT* target) {
        *target = v_;
        VariantInit(&v_);
    }

  private:
    VARIANT v_;
};

// Raises FarmError(hr, the system's text for hr) when hr is a failure.
void Check(HRESULT hr);
// The system's text for an HRESULT, or "Automation error 0x...." when it has none.
std::string SystemMessage(HRESULT hr);

// Conversions as an automation client makes them. A VARIANT passed by reference is
// followed. Failures: FarmError with the runtime number (13 type mismatch, 6 overflow,
// 94 invalid use of Null).
int32_t ToNumber(const VARIANT& v);
std::string ToText(const VARIANT& v);
bool ToBool(const VARIANT& v);
// Numbers (VT_BOOL as -1/0) and texts; Empty reads as the empty text.
farm::Value ToValue(const VARIANT& v);
Variant FromValue(const farm::Value& value);
// The object a VARIANT holds (VT_DISPATCH, or VT_UNKNOWN answering IDispatch); null when
// it holds none.
ComPtr<IDispatch> ToDispatch(const VARIANT& v);

}  // namespace mfcom
