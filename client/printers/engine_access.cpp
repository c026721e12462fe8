#include "engine_access.h"

#include "bstr.h"
#include "com/guard.h"
#include "variant.h"
#include "variant_list.h"

ComPtr<IDriverManager> createDriverManager() {
    ComPtr<IDriverManager> manager;
    com::check(CoCreateInstance(CLSID_DriverManager, nullptr, CLSCTX_LOCAL_SERVER, IID_IDriverManager,
                                reinterpret_cast<void**>(manager.GetAddressOf())));
    return manager;
}

std::vector<std::wstring> enginePrinters(IDriverManager* manager) {
    Variant printers;
    com::check(manager->enumPrinters(printers.out()));
    std::vector<std::wstring> names;
    if (printers.vt == VT_EMPTY || printers.vt == VT_NULL) return names;
    tVARIANTLIST list(printers);
    for (int i = 0; i < list.count(); ++i) names.push_back(list[i].toString());
    return names;
}

ComPtr<IPrintDriver> engineDriver(IDriverManager* manager, const std::wstring& printer) {
    ComPtr<IPrintDriver> driver;
    com::check(manager->getDriver(BStr(printer).get(), driver.GetAddressOf()));
    if (!driver) com::check(E_POINTER);
    return driver;
}

bool isEngineGone(HRESULT hr) {
    const HRESULT gone[] = {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE),
                            HRESULT_FROM_WIN32(RPC_S_CALL_FAILED),
                            HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE),
                            RPC_E_DISCONNECTED,
                            RPC_E_SERVER_DIED,
                            RPC_E_SERVER_DIED_DNE,
                            CO_E_OBJNOTCONNECTED};
    for (HRESULT each : gone)
        if (hr == each) return true;
    return false;
}

std::wstring EnginePrinterCatalog::driverDataPath(const std::wstring& printer) {
    BStr path;
    com::check(engineDriver(m_manager.Get(), printer)->get_driverDataPath(path.out()));
    return path.str();
}
