#include "fake_engine.h"

#include "bstr.h"
#include "com/error_info.h"
#include "variant.h"
#include "variant_list.h"

STDMETHODIMP FakeJob::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    *point = nullptr;
    if (iid != DIID__IPrintJobEvents) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeJob::GetConnectionInterface(IID* iid) {
    *iid = DIID__IPrintJobEvents;
    return S_OK;
}

STDMETHODIMP FakeJob::GetConnectionPointContainer(IConnectionPointContainer** container) {
    *container = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeJob::Advise(IUnknown* sink, DWORD* cookie) {
    *cookie = 0;
    if (m_sink) return CONNECT_E_ADVISELIMIT;
    HRESULT hr = sink->QueryInterface(DIID__IPrintJobEvents, reinterpret_cast<void**>(m_sink.GetAddressOf()));
    if (FAILED(hr)) return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
}

STDMETHODIMP FakeJob::Unadvise(DWORD cookie) {
    if (cookie != 1 || !m_sink) return CONNECT_E_NOCONNECTION;
    m_sink.Reset();
    return S_OK;
}

STDMETHODIMP FakeDriver::getDriverData(BSTR keyName, VARIANT* value) {
    VariantInit(value);
    if (keyName && _wcsicmp(keyName, L"keloServerIp") == 0 && !m_host.empty()) {
        Variant(m_host).detachTo(value);
        return S_OK;
    }
    return com::setRichError(DISP_E_EXCEPTION, L"getPrinterRegistryValue: cannot get registry data",
                             L"KeloEngine.PrintDriver.1");
}

STDMETHODIMP FakeDriver::get_printerName(BSTR* name) {
    *name = BStr(m_name).release();
    return S_OK;
}

STDMETHODIMP FakeDriver::get_driverDataPath(BSTR* path) {
    *path = BStr(L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + m_name +
                 L"\\PrinterDriverData")
                .release();
    return S_OK;
}

STDMETHODIMP FakeDriver::get_jobsPath(BSTR* path) {
    *path = BStr(m_jobsPath).release();
    return S_OK;
}

STDMETHODIMP FakeDriver::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    *point = nullptr;
    if (iid != DIID__IPrintDriverEvents) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeDriver::GetConnectionInterface(IID* iid) {
    *iid = DIID__IPrintDriverEvents;
    return S_OK;
}

STDMETHODIMP FakeDriver::GetConnectionPointContainer(IConnectionPointContainer** container) {
    *container = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeDriver::Advise(IUnknown* sink, DWORD* cookie) {
    *cookie = 0;
    if (m_sink) return CONNECT_E_ADVISELIMIT;
    HRESULT hr = sink->QueryInterface(DIID__IPrintDriverEvents, reinterpret_cast<void**>(m_sink.GetAddressOf()));
    if (FAILED(hr)) return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
}

STDMETHODIMP FakeDriver::Unadvise(DWORD cookie) {
    if (cookie != 1 || !m_sink) return CONNECT_E_NOCONNECTION;
    m_sink.Reset();
    return S_OK;
}

bool FakeDriver::fireNewJob(long jobId) {
    if (!m_sink) return false;
    ComPtr<FakeJob> job = com::make<FakeJob>(jobId);
    ComPtr<IDispatch> dispatch;
    job.As(&dispatch);
    Variant argument(static_cast<IDispatch*>(dispatch.Get()));
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    return SUCCEEDED(m_sink->Invoke(1, IID_NULL, 0x400, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

STDMETHODIMP FakeDriverManager::getDriver(BSTR printerName, IPrintDriver** driver) {
    *driver = nullptr;
    ++m_getDriverCalls;
    if (FAILED(m_callFailure)) return m_callFailure;
    auto found = m_drivers.find(printerName ? printerName : L"");
    if (found == m_drivers.end())
        return com::setRichError(DISP_E_EXCEPTION, L"no such printer", L"KeloEngine.DriverManager.1");
    return found->second->QueryInterface(IID_IPrintDriver, reinterpret_cast<void**>(driver));
}

STDMETHODIMP FakeDriverManager::enumPrinters(VARIANT* printers) {
    VariantInit(printers);
    if (FAILED(m_callFailure)) return m_callFailure;
    if (FAILED(m_enumerationFailure))
        return com::setRichError(m_enumerationFailure, L"the spooler does not answer", L"KeloEngine.DriverManager.1");
    tVARIANTLIST names;
    for (const std::wstring& name : m_order) names.append(Variant(name));
    names.toVariant().detachTo(printers);
    return S_OK;
}
