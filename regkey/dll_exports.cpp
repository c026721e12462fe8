// The in-process server's entry points: class object, unloading and self-registration.
#include <windows.h>

#include "com/class_factory.h"
#include "com/module.h"
#include "com/registration.h"
#include "registry_key_object.h"

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_RegistryKey) return CLASS_E_CLASSNOTAVAILABLE;
    auto factory = com::make<com::ClassFactory<CRegistryKey>>();
    return factory->QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return com::moduleLockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    HRESULT hr = com::registerInprocServerClass(CRegistryKey::kClassInfo, com::modulePath(), L"Both");
    return FAILED(hr) ? hr : com::registerModuleTypeLib();
}

STDAPI DllUnregisterServer() {
    HRESULT classes = com::unregisterClass(CRegistryKey::kClassInfo);
    HRESULT library = com::unregisterModuleTypeLib();
    return FAILED(classes) ? classes : library;
}

}  // extern "C"
