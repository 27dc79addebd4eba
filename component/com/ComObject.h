// ComObject<T>: the creatable form of a class T built on ObjectRoot. It supplies IUnknown for all
// of T's interfaces at once (one final overrider each), holds a module lock while it lives, and
// creates objects with the aggregation rules of a class object.
//
// The lock is a base taken before T is built and given back after T's destructor has run: T may
// still run the module's code while it goes (the component stops its worker thread there), and
// until then the host must not unload the module.
#pragma once

#include "component/com/Module.h"
#include "component/com/ObjectRoot.h"

#include <new>
#include <utility>

namespace tarn::com {

class ModuleLock {
protected:
    ModuleLock() { Module::Lock(); }
    ~ModuleLock() { Module::Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

template <class T>
class ComObject final : private ModuleLock, public T {
public:
    template <class... Args>
    explicit ComObject(IUnknown* outer, Args&&... args) : T(outer, std::forward<Args>(args)...) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return this->OuterQueryInterface(riid, ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return this->OuterAddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return this->OuterRelease(); }

    // Creates an object and queries it for riid. With an outer unknown only IID_IUnknown may be
    // asked for (the outer gets the non-delegating unknown), else CLASS_E_NOAGGREGATION.
    template <class... Args>
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv, Args&&... args) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
        ComObject* object = nullptr;
        try {
            object = new ComObject(outer, std::forward<Args>(args)...);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
        // A reference of its own keeps the object alive through FinalConstruct and the query;
        // releasing it destroys the object when either failed.
        IUnknown* inner = object->InnerUnknown();
        inner->AddRef();
        HRESULT hr = object->FinalConstruct();
        if (SUCCEEDED(hr)) hr = inner->QueryInterface(riid, ppv);
        inner->Release();
        return hr;
    }

private:
    const InterfaceMap& InterfaceTable() const override { return T::Interfaces(); }
};

}  // namespace tarn::com
