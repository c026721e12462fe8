#pragma once
// IDispatch for a dual interface, answered from the type library embedded in this
// module (resource 1 TYPELIB):
//
//   class CiWeb : public com::Object<CiWeb, com::TypeLibDispatch<I_Web>, ...>
#include <windows.h>
#include <oaidl.h>

#include "object.h"

namespace com {

// The type information of an interface or class described by the module's own type
// library; loaded once per module and kept. Throws _com_error when it cannot be found.
ComPtr<ITypeInfo> moduleTypeInfo(REFGUID guid);
ComPtr<ITypeLib> moduleTypeLib();

template <class Interface>
class TypeLibDispatch : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ComPtr<ITypeInfo> typeInfo;
        HRESULT hr = lookUp(typeInfo);
        if (SUCCEEDED(hr)) *info = typeInfo.Detach();
        return hr;
    }

    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> typeInfo;
        HRESULT hr = lookUp(typeInfo);
        return FAILED(hr) ? hr : DispGetIDsOfNames(typeInfo.Get(), names, count, ids);
    }

    STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> typeInfo;
        HRESULT hr = lookUp(typeInfo);
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<Interface*>(this), typeInfo.Get(), member, flags, params, result, exception,
                          argumentError);
    }

private:
    static HRESULT lookUp(ComPtr<ITypeInfo>& typeInfo);
};

HRESULT lookUpModuleTypeInfo(REFGUID guid, ComPtr<ITypeInfo>& typeInfo);

template <class Interface>
HRESULT TypeLibDispatch<Interface>::lookUp(ComPtr<ITypeInfo>& typeInfo) {
    return lookUpModuleTypeInfo(__uuidof(Interface), typeInfo);
}

template <class Interface>
struct ImplementedInterface<TypeLibDispatch<Interface>> {
    using type = Interface;
};

}  // namespace com
