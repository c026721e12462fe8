#pragma once
// IUnknown for the system's COM classes, written once:
//
//   class CPrintJob : public com::Object<CPrintJob, com::TypeLibDispatch<IPrintJob>,
//                                        com::EventSource<_IPrintJobEvents>, ...> { ... };
//   ComPtr<CPrintJob> job = com::make<CPrintJob>();
//
// QueryInterface answers IUnknown, every listed interface (and IDispatch for the first
// one derived from it), IMarshal through the free-threaded marshaler when the class
// declares `static constexpr bool kFreeThreaded = true`, and finally whatever the class
// answers in its own `queryOther`.
#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <type_traits>
#include <utility>

#include "module.h"

namespace com {

using Microsoft::WRL::ComPtr;

// How an object counts towards the module's lock count.
enum class ModuleLock {
    WhileAlive,    // from construction to destruction (ordinary objects)
    PerReference,  // each reference beyond the creator's own (singletons kept by their factory)
    None,          // not at all (class factories: only LockServer counts)
};

// Maps an interface base to the interface it implements; mixins that implement an
// interface for a class (TypeLibDispatch<I>) specialise it.
template <class Base>
struct ImplementedInterface {
    using type = Base;
};

template <class T, class = void>
struct IsFreeThreaded : std::false_type {};
template <class T>
struct IsFreeThreaded<T, std::void_t<decltype(T::kFreeThreaded)>> : std::integral_constant<bool, T::kFreeThreaded> {};

template <class Derived, class First, class... Rest>
class Object : public First, public Rest... {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown) {
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        } else if (!findInterface<First, Rest...>(iid, out) && !findDispatch<First, Rest...>(iid, out)) {
            if (IsFreeThreaded<Derived>::value && iid == IID_IMarshal) return queryMarshaler(out);
            return static_cast<Derived*>(this)->queryOther(iid, out);
        }
        AddRef();
        return S_OK;
    }

    STDMETHODIMP_(ULONG) AddRef() override {
        if (m_lockPolicy == ModuleLock::PerReference) lockModule();
        return InterlockedIncrement(&m_references);
    }

    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = InterlockedDecrement(&m_references);
        if (left == 0) {
            delete static_cast<Derived*>(this);
            return 0;
        }
        if (m_lockPolicy == ModuleLock::PerReference) unlockModule();
        return left;
    }

    IUnknown* identity() { return static_cast<IUnknown*>(static_cast<First*>(this)); }

protected:
    explicit Object(ModuleLock policy = ModuleLock::WhileAlive) : m_lockPolicy(policy) {
        if (m_lockPolicy == ModuleLock::WhileAlive) lockModule();
    }
    virtual ~Object() {
        // The aggregated marshaler holds no reference on us; it goes with the object.
        if (m_marshaler) m_marshaler->Release();
        if (m_lockPolicy == ModuleLock::WhileAlive) unlockModule();
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // Further interfaces a class answers (aggregated objects, tear-offs).
    HRESULT queryOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    template <class I, class... More>
    bool findInterface(REFIID iid, void** out) {
        using Interface = typename ImplementedInterface<I>::type;
        if (iid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(static_cast<I*>(this));
            return true;
        }
        if constexpr (sizeof...(More) > 0) return findInterface<More...>(iid, out);
        return false;
    }

    template <class I, class... More>
    bool findDispatch(REFIID iid, void** out) {
        if constexpr (std::is_base_of<IDispatch, I>::value) {
            if (iid == IID_IDispatch) {
                *out = static_cast<IDispatch*>(static_cast<I*>(this));
                return true;
            }
            return false;
        } else if constexpr (sizeof...(More) > 0) {
            return findDispatch<More...>(iid, out);
        }
        return false;
    }

    HRESULT queryMarshaler(void** out) {
        if (!m_marshaler) {
            IUnknown* created = nullptr;
            HRESULT hr = CoCreateFreeThreadedMarshaler(identity(), &created);
            if (FAILED(hr)) return hr;
            if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&m_marshaler), created, nullptr) !=
                nullptr)
                created->Release();
        }
        return m_marshaler->QueryInterface(IID_IMarshal, out);
    }

    volatile LONG m_references = 1;
    const ModuleLock m_lockPolicy;
    IUnknown* volatile m_marshaler = nullptr;
};

// Creates an object; the caller holds its first reference.
template <class T, class... Args>
ComPtr<T> make(Args&&... args) {
    ComPtr<T> object;
    // Not Attach: the mingw-w64 ComPtr::Attach adds a reference.
    *object.GetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

}  // namespace com
