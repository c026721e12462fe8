#include "fake_engine.h"

#include "bstr.h"
#include "com/error_info.h"
#include "engine_events.h"
#include "variant_list.h"

STDMETHODIMP FakeDriver::getDriverData(BSTR keyName, VARIANT* value) {
    VariantInit(value);
    if (keyName && _wcsicmp(keyName, L"keloServerIp") == 0 && !m_host.empty()) {
        Variant(m_host).detachTo(value);
        return S_OK;
    }
    return DISP_E_EXCEPTION;
}

STDMETHODIMP FakeDriver::get_printerName(BSTR* name) {
    *name = BStr(m_name).release();
    return S_OK;
}

STDMETHODIMP FakeDriver::get_driverDataPath(BSTR* path) {
    *path = BStr(L"HKEY_CURRENT_USER\\Software\\KeloTest\\" + m_name).release();
    return S_OK;
}

STDMETHODIMP FakeDriver::get_jobsPath(BSTR* path) {
    *path = BStr(m_jobsPath).release();
    return S_OK;
}

bool FakeDriver::fireNewJob(long jobId) {
    ComPtr<IDispatch> job;
    com::make<FakeJob>(jobId).As(&job);
    return SUCCEEDED(fire(kOnNewPrintJob, Variant(static_cast<IDispatch*>(job.Get()))));
}

STDMETHODIMP FakeDriverManager::getDriver(BSTR printerName, IPrintDriver** driver) {
    *driver = nullptr;
    if (FAILED(m_callFailure)) return m_callFailure;
    auto found = m_drivers.find(printerName ? printerName : L"");
    if (found == m_drivers.end())
        return com::setRichError(DISP_E_EXCEPTION, L"no such printer", L"KeloEngine.DriverManager.1");
    return found->second->QueryInterface(IID_IPrintDriver, reinterpret_cast<void**>(driver));
}

STDMETHODIMP FakeDriverManager::enumPrinters(VARIANT* printers) {
    VariantInit(printers);
    if (FAILED(m_callFailure)) return m_callFailure;
    tVARIANTLIST names;
    for (const std::wstring& name : m_order) names.append(Variant(name));
    names.toVariant().detachTo(printers);
    return S_OK;
}
