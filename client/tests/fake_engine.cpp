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
    if (sink_) return CONNECT_E_ADVISELIMIT;
    HRESULT hr = sink->QueryInterface(DIID__IPrintJobEvents, reinterpret_cast<void**>(sink_.GetAddressOf()));
    if (FAILED(hr)) return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
}

STDMETHODIMP FakeJob::Unadvise(DWORD cookie) {
    if (cookie != 1 || !sink_) return CONNECT_E_NOCONNECTION;
    sink_.Reset();
    return S_OK;
}

STDMETHODIMP FakeDriver::getDriverData(BSTR keyName, VARIANT* value) {
    VariantInit(value);
    if (keyName && _wcsicmp(keyName, L"keloServerIp") == 0 && !host_.empty()) {
        Variant(host_).detachTo(value);
        return S_OK;
    }
    return com::setRichError(DISP_E_EXCEPTION, L"getPrinterRegistryValue: cannot get registry data",
                             L"KeloEngine.PrintDriver.1");
}

STDMETHODIMP FakeDriver::get_printerName(BSTR* name) {
    *name = BStr(name_).release();
    return S_OK;
}

STDMETHODIMP FakeDriver::get_driverDataPath(BSTR* path) {
    *path = BStr(L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name_ +
                 L"\\PrinterDriverData")
                .release();
    return S_OK;
}

STDMETHODIMP FakeDriver::get_jobsPath(BSTR* path) {
    *path = BStr(jobsPath_).release();
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
    if (sink_) return CONNECT_E_ADVISELIMIT;
    HRESULT hr = sink->QueryInterface(DIID__IPrintDriverEvents, reinterpret_cast<void**>(sink_.GetAddressOf()));
    if (FAILED(hr)) return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
}

STDMETHODIMP FakeDriver::Unadvise(DWORD cookie) {
    if (cookie != 1 || !sink_) return CONNECT_E_NOCONNECTION;
    sink_.Reset();
    return S_OK;
}

bool FakeDriver::fireNewJob(long jobId) {
    if (!sink_) return false;
    ComPtr<FakeJob> job = com::make<FakeJob>(jobId);
    ComPtr<IDispatch> dispatch;
    job.As(&dispatch);
    Variant argument(static_cast<IDispatch*>(dispatch.Get()));
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    return SUCCEEDED(sink_->Invoke(1, IID_NULL, 0x400, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

STDMETHODIMP FakeDriverManager::getDriver(BSTR printerName, IPrintDriver** driver) {
    *driver = nullptr;
    ++getDriverCalls_;
    if (FAILED(callFailure_)) return callFailure_;
    auto found = drivers_.find(printerName ? printerName : L"");
    if (found == drivers_.end())
        return com::setRichError(DISP_E_EXCEPTION, L"no such printer", L"KeloEngine.DriverManager.1");
    return found->second->QueryInterface(IID_IPrintDriver, reinterpret_cast<void**>(driver));
}

STDMETHODIMP FakeDriverManager::enumPrinters(VARIANT* printers) {
    VariantInit(printers);
    if (FAILED(callFailure_)) return callFailure_;
    if (FAILED(enumerationFailure_))
        return com::setRichError(enumerationFailure_, L"the spooler does not answer", L"KeloEngine.DriverManager.1");
    tVARIANTLIST names;
    for (const std::wstring& name : order_) names.append(Variant(name));
    names.toVariant().detachTo(printers);
    return S_OK;
}
