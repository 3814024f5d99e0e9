// Owners at the COM edge: COM pointers, BSTR, VARIANT, EXCEPINFO, the parts of type
// information, and the COM apartment; failed HRESULTs raised as base::Error.
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

namespace win {

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

// Sets the process's COM call security: the default authentication level and the
// impersonation level "impersonate", so that the objects called may act for the caller.
// Call it once, after COM is initialised and before any object is created. Returns what
// CoInitializeSecurity answered (RPC_E_TOO_LATE when the process's security was set already).
HRESULT SetCallSecurity();

// The text of a BSTR as UTF-8 (see text.h); a null BSTR is the empty text.
std::string FromBstr(BSTR text);

// Owns a BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);  // invalid UTF-8: base::Error 5
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
    std::string Utf8() const { return FromBstr(b_); }

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

// Owns the strings an Invoke may leave in an EXCEPINFO.
struct ExcepInfo {
    EXCEPINFO info{};
    ExcepInfo() = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

// Owns a part of an ITypeInfo that the type information hands out and takes back: its
// TYPEATTR, or one FUNCDESC or VARDESC by index. Empty (false) when the call failed.
class TypeAttr {
  public:
    explicit TypeAttr(ITypeInfo& info) : info_(info) { info_.GetTypeAttr(&attr_); }
    ~TypeAttr() {
        if (attr_) {
            info_.ReleaseTypeAttr(attr_);
        }
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    const TYPEATTR* operator->() const { return attr_; }
    explicit operator bool() const { return attr_ != nullptr; }

  private:
    ITypeInfo& info_;
    TYPEATTR* attr_ = nullptr;
};

// One FUNCDESC or VARDESC by index.
template <class Desc, auto Get, auto Release>
class TypeInfoDesc {
  public:
    TypeInfoDesc(ITypeInfo& info, UINT index) : info_(info) { (info_.*Get)(index, &desc_); }
    ~TypeInfoDesc() {
        if (desc_) {
            (info_.*Release)(desc_);
        }
    }
    TypeInfoDesc(const TypeInfoDesc&) = delete;
    TypeInfoDesc& operator=(const TypeInfoDesc&) = delete;
    const Desc& operator*() const { return *desc_; }
    const Desc* operator->() const { return desc_; }
    explicit operator bool() const { return desc_ != nullptr; }

  private:
    ITypeInfo& info_;
    Desc* desc_ = nullptr;
};

using FuncDesc = TypeInfoDesc<FUNCDESC, &ITypeInfo::GetFuncDesc, &ITypeInfo::ReleaseFuncDesc>;
using VarDesc = TypeInfoDesc<VARDESC, &ITypeInfo::GetVarDesc, &ITypeInfo::ReleaseVarDesc>;

// Raises base::Error(hr, the system's text for hr) when hr is a failure; E_OUTOFMEMORY is
// std::bad_alloc.
void Check(HRESULT hr);

}  // namespace win
