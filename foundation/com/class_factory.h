#pragma once
// Class objects: ClassFactory makes a new object per request; SingletonClassFactory
// hands out one object to every caller (its references count as module locks, so a
// server still shuts down when the last client lets go).
#include <windows.h>
#include <unknwn.h>

#include <mutex>
#include <new>

#include "object.h"

namespace com {

template <class Derived>
class ClassFactoryBase : public Object<Derived, IClassFactory> {
public:
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            lockModule();
        else
            unlockModule();
        return S_OK;
    }

protected:
    ClassFactoryBase() : Object<Derived, IClassFactory>(ModuleLock::None) {}

    static HRESULT begin(IUnknown* outer, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        return outer ? CLASS_E_NOAGGREGATION : S_OK;
    }
};

template <class T>
class ClassFactory : public ClassFactoryBase<ClassFactory<T>> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        HRESULT hr = this->begin(outer, out);
        if (FAILED(hr)) return hr;
        try {
            return make<T>()->QueryInterface(iid, out);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
    }
};

// T constructs itself with ModuleLock::PerReference.
template <class T>
class SingletonClassFactory : public ClassFactoryBase<SingletonClassFactory<T>> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        HRESULT hr = this->begin(outer, out);
        if (FAILED(hr)) return hr;
        try {
            std::call_once(m_created, [this] { m_instance = make<T>(); });
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_FAIL;
        }
        return m_instance ? m_instance->QueryInterface(iid, out) : E_FAIL;
    }

    // The one object, or null before the first request.
    T* instance() const { return m_instance.Get(); }

private:
    std::once_flag m_created;
    ComPtr<T> m_instance;
};

}  // namespace com
