// The IUnknown part every object of labfarm.dll shares: a reference count, and the module's
// count of live objects (the dll unloads only when none is left).
#pragma once

#include <windows.h>

#include <atomic>

#include "lab/com/module.h"

namespace labcom {

// COM objects are destroyed by their last Release, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

template <class Interface>
class Counted : public Interface {
  public:
    Counted() { Module::Instance().ObjectCreated(); }
    virtual ~Counted() { Module::Instance().ObjectDestroyed(); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;  // the one owner of a COM object is its last reference
        }
        return left;
    }

  protected:
    // QueryInterface of an object whose one interface is `own`.
    HRESULT AnswerFor(REFIID own, REFIID iid, void** out) {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == own) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

  private:
    std::atomic<ULONG> refs_{1};
};

#pragma GCC diagnostic pop

}  // namespace labcom
