#include "class_objects.h"

#include "collection_enumerator.h"
#include "com/class_factory.h"
#include "driver_manager.h"
#include "print_driver.h"
#include "print_job.h"
#include "read_only_collection.h"

namespace engine {

HRESULT ClassObjects::add(REFCLSID clsid, com::ComPtr<IClassFactory> factory) {
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED,
                                       &cookie);
    if (FAILED(hr)) return hr;
    m_factories.push_back(factory);
    m_cookies.push_back(cookie);
    return S_OK;
}

HRESULT ClassObjects::registerSuspended() {
    HRESULT results[] = {
        add(CLSID_DriverManager, com::make<com::SingletonClassFactory<CDriverManager>>()),
        add(CLSID_PrintDriver, com::make<com::ClassFactory<CPrintDriver>>()),
        add(CLSID_PrintJob, com::make<com::ClassFactory<CPrintJob>>()),
        add(CLSID_keloReadOnlyCollection, com::make<com::ClassFactory<CkeloReadOnlyCollection>>()),
        add(CLSID_CollectionEnumerator, com::make<com::ClassFactory<CCollectionEnumerator>>()),
    };
    for (HRESULT hr : results)
        if (FAILED(hr)) return hr;
    return S_OK;
}

void ClassObjects::revoke() {
    for (DWORD cookie : m_cookies) CoRevokeClassObject(cookie);
    m_cookies.clear();
    m_factories.clear();
}

}  // namespace engine
