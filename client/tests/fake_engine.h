#pragma once
// A print engine for the client's tests, inside the test process: a driver manager
// with printers, driver objects that take one new-job subscription and fire the event,
// and jobs that know their id.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <string>
#include <vector>

#include "com/object.h"
#include "engine_h.h"

using com::ComPtr;

// IDispatch members the fakes do not need.
template <class Interface>
class NoDispatch : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

namespace com {
template <class Interface>
struct ImplementedInterface<NoDispatch<Interface>> {
    using type = Interface;
};
}  // namespace com

class FakeJob : public com::Object<FakeJob, NoDispatch<IPrintJob>, IConnectionPointContainer, IConnectionPoint> {
public:
    explicit FakeJob(long id) : m_id(id) {}
    STDMETHODIMP get_Name(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_jobId(long* id) override {
        *id = m_id;
        return S_OK;
    }
    STDMETHODIMP get_State(jobStates*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Driver(IPrintDriver**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Copies(long*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Copies(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_Pages(long*) override { return E_NOTIMPL; }
    STDMETHODIMP put_Pages(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_pageWidth(double*) override { return E_NOTIMPL; }
    STDMETHODIMP put_pageWidth(double) override { return E_NOTIMPL; }
    STDMETHODIMP get_pageHeight(double*) override { return E_NOTIMPL; }
    STDMETHODIMP put_pageHeight(double) override { return E_NOTIMPL; }
    STDMETHODIMP get_pageName(long*) override { return E_NOTIMPL; }
    STDMETHODIMP put_pageName(long) override { return E_NOTIMPL; }
    STDMETHODIMP get_paramsOK(VARIANT_BOOL*) override { return E_NOTIMPL; }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    bool advised() const { return m_sink != nullptr; }

private:
    long m_id;
    ComPtr<IDispatch> m_sink;
};

class FakeDriver
    : public com::Object<FakeDriver, NoDispatch<IPrintDriver>, IConnectionPointContainer, IConnectionPoint> {
public:
    FakeDriver(std::wstring name, std::wstring host, std::wstring jobsPath)
        : m_name(std::move(name)), m_host(std::move(host)), m_jobsPath(std::move(jobsPath)) {}

    STDMETHODIMP getDriverData(BSTR keyName, VARIANT* value) override;
    STDMETHODIMP get_printerName(BSTR* name) override;
    STDMETHODIMP get_printerDescription(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_printerComment(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP get_driverDataPath(BSTR* path) override;
    STDMETHODIMP get_printJobs(IReadOnlyCollection**) override { return E_NOTIMPL; }
    STDMETHODIMP get_Id(VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_jobsPath(BSTR* path) override;

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    // Calls onNewPrintJob on the subscribed sink; false without one.
    bool fireNewJob(long jobId);
    bool advised() const { return m_sink != nullptr; }

private:
    std::wstring m_name, m_host, m_jobsPath;
    ComPtr<IDispatch> m_sink;
};

class FakeDriverManager : public com::Object<FakeDriverManager, NoDispatch<IDriverManager>> {
public:
    void addPrinter(ComPtr<FakeDriver> driver, const std::wstring& name) {
        m_order.push_back(name);
        m_drivers[name] = driver;
    }
    // Printers the engine lists but cannot hand out.
    void addBrokenPrinter(const std::wstring& name) { m_order.push_back(name); }
    void failEnumeration(HRESULT hr) { m_enumerationFailure = hr; }
    // Every later call fails with hr, as a proxy does once the engine's process is gone.
    void failCalls(HRESULT hr) { m_callFailure = hr; }
    int getDriverCalls() const { return m_getDriverCalls; }

    STDMETHODIMP getDriver(BSTR printerName, IPrintDriver** driver) override;
    STDMETHODIMP splStartDoc(BSTR, long, long*) override { return E_NOTIMPL; }
    STDMETHODIMP splEndDoc(long) override { return E_NOTIMPL; }
    STDMETHODIMP splClose(long) override { return E_NOTIMPL; }
    STDMETHODIMP splStartPage(long, long*) override { return E_NOTIMPL; }
    STDMETHODIMP splEndPage(long, long*) override { return E_NOTIMPL; }
    STDMETHODIMP splAbort(long) override { return E_NOTIMPL; }
    STDMETHODIMP enumPrinters(VARIANT* printers) override;
    STDMETHODIMP splWritePrinter(long, long, BSTR*) override { return E_NOTIMPL; }

private:
    std::vector<std::wstring> m_order;
    std::map<std::wstring, ComPtr<FakeDriver>> m_drivers;
    HRESULT m_enumerationFailure = S_OK;
    HRESULT m_callFailure = S_OK;
    int m_getDriverCalls = 0;
};
