#include "lab/com/class_factory.h"

#include <memory>
#include <new>

#include "farm/farm.h"
#include "lab/com/counted.h"
#include "lab/com/module.h"
#include "lab/com/objects.h"
#include "win/com.h"

namespace labcom {

namespace {

// A refusal of the lab while creating: the HRESULT (runtime numbers as E_FAIL) and the
// description left in the thread's error object, where an automation client looks for it.
HRESULT ReportCreationFailure(int32_t number, const std::string& description) {
    HRESULT hr = number < 0 ? number : E_FAIL;
    win::ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
        try {
            create->SetDescription(win::Bstr(std::string_view(description)).Get());
            create->SetSource(win::Bstr(std::string_view("MetaFrameCOM")).Get());
            SetErrorInfo(0, create.As<IErrorInfo>(IID_IErrorInfo).Get());
        } catch (...) {
            // The HRESULT still tells what happened.
        }
    }
    return hr;
}

class ClassFactory final : public Counted<IClassFactory> {
  public:
    explicit ClassFactory(mfcom::Creatable creatable) : creatable_(creatable) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return AnswerFor(IID_IClassFactory, iid, out);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        try {
            win::ComPtr<IDispatch> object = CreateObject(creatable_);
            return object->QueryInterface(iid, out);
        } catch (const farm::FarmError& e) {
            return ReportCreationFailure(e.number(), e.description());
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& e) {
            return ReportCreationFailure(E_FAIL, e.what());
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        Module::Instance().Lock(lock != FALSE);
        return S_OK;
    }

  private:
    mfcom::Creatable creatable_;
};

}  // namespace

win::ComPtr<IClassFactory> MakeClassFactory(mfcom::Creatable creatable) {
    return win::ComPtr<IClassFactory>::Attach(std::make_unique<ClassFactory>(creatable).release());
}

}  // namespace labcom
