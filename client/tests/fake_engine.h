#pragma once
// A print engine for the client's tests, inside the test process: a driver manager
// with printers, drivers that fire the new-job event, and jobs that know their id.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <ocidl.h>
#include <olectl.h>

#include "com/object.h"
#include "engine_h.h"
#include "variant.h"

using com::ComPtr;

#define KELO_FAKE_NOTIMPL(signature) \
    STDMETHODIMP signature override { return E_NOTIMPL; }

// IDispatch members the fakes do not need.
template <class Interface>
class NoDispatch : public Interface {
public:
    KELO_FAKE_NOTIMPL(GetTypeInfoCount(UINT*))
    KELO_FAKE_NOTIMPL(GetTypeInfo(UINT, LCID, ITypeInfo**))
    KELO_FAKE_NOTIMPL(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    KELO_FAKE_NOTIMPL(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
};

namespace com {
template <class Interface>
struct ImplementedInterface<NoDispatch<Interface>> {
    using type = Interface;
};
}  // namespace com

// One connection point that takes one sink, called directly (the engine's own points go
// through the global interface table, which needs the type libraries registered).
template <const IID& Events>
class FakeEvents : public IConnectionPointContainer, public IConnectionPoint {
public:
    KELO_FAKE_NOTIMPL(EnumConnectionPoints(IEnumConnectionPoints**))
    KELO_FAKE_NOTIMPL(GetConnectionInterface(IID*))
    KELO_FAKE_NOTIMPL(GetConnectionPointContainer(IConnectionPointContainer**))
    KELO_FAKE_NOTIMPL(EnumConnections(IEnumConnections**))
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        *point = nullptr;
        if (iid != Events) return CONNECT_E_NOCONNECTION;
        *point = this;
        static_cast<IConnectionPoint*>(this)->AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        *cookie = 0;
        if (m_sink) return CONNECT_E_ADVISELIMIT;
        if (FAILED(sink->QueryInterface(Events, reinterpret_cast<void**>(m_sink.GetAddressOf()))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = 1;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        if (cookie != 1 || !m_sink) return CONNECT_E_NOCONNECTION;
        m_sink.Reset();
        return S_OK;
    }

    bool advised() const { return m_sink != nullptr; }
    // The sink's answer to the event with this one argument; E_FAIL without a sink.
    HRESULT fire(DISPID event, const Variant& argument) {
        if (!m_sink) return E_FAIL;
        Variant copy(argument);
        DISPPARAMS params = {&copy, nullptr, 1, 0};
        return m_sink->Invoke(event, IID_NULL, 0x400, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }

private:
    ComPtr<IDispatch> m_sink;
};

namespace com {
template <const IID& Events>
struct ImplementedInterface<FakeEvents<Events>> {
    using type = IConnectionPointContainer;
};
}  // namespace com

class FakeJob : public com::Object<FakeJob, NoDispatch<IPrintJob>, FakeEvents<DIID__IPrintJobEvents>> {
public:
    explicit FakeJob(long id) : m_id(id) {}
    STDMETHODIMP get_jobId(long* id) override {
        *id = m_id;
        return S_OK;
    }
    KELO_FAKE_NOTIMPL(get_Name(BSTR*))
    KELO_FAKE_NOTIMPL(get_State(jobStates*))
    KELO_FAKE_NOTIMPL(get_Driver(IPrintDriver**))
    KELO_FAKE_NOTIMPL(get_Copies(long*))
    KELO_FAKE_NOTIMPL(put_Copies(long))
    KELO_FAKE_NOTIMPL(get_Pages(long*))
    KELO_FAKE_NOTIMPL(put_Pages(long))
    KELO_FAKE_NOTIMPL(get_pageWidth(double*))
    KELO_FAKE_NOTIMPL(put_pageWidth(double))
    KELO_FAKE_NOTIMPL(get_pageHeight(double*))
    KELO_FAKE_NOTIMPL(put_pageHeight(double))
    KELO_FAKE_NOTIMPL(get_pageName(long*))
    KELO_FAKE_NOTIMPL(put_pageName(long))
    KELO_FAKE_NOTIMPL(get_paramsOK(VARIANT_BOOL*))

private:
    long m_id;
};

class FakeDriver : public com::Object<FakeDriver, NoDispatch<IPrintDriver>, FakeEvents<DIID__IPrintDriverEvents>> {
public:
    FakeDriver(std::wstring name, std::wstring host, std::wstring jobsPath)
        : m_name(std::move(name)), m_host(std::move(host)), m_jobsPath(std::move(jobsPath)) {}

    STDMETHODIMP getDriverData(BSTR keyName, VARIANT* value) override;
    STDMETHODIMP get_printerName(BSTR* name) override;
    STDMETHODIMP get_driverDataPath(BSTR* path) override;
    STDMETHODIMP get_jobsPath(BSTR* path) override;
    KELO_FAKE_NOTIMPL(get_printerDescription(BSTR*))
    KELO_FAKE_NOTIMPL(get_printerComment(BSTR*))
    KELO_FAKE_NOTIMPL(get_printJobs(IReadOnlyCollection**))
    KELO_FAKE_NOTIMPL(get_Id(VARIANT*))

    // Fires onNewPrintJob; false when no handler is subscribed.
    bool fireNewJob(long jobId);

private:
    std::wstring m_name, m_host, m_jobsPath;
};

class FakeDriverManager : public com::Object<FakeDriverManager, NoDispatch<IDriverManager>> {
public:
    void addPrinter(ComPtr<FakeDriver> driver, const std::wstring& name) {
        m_order.push_back(name);
        m_drivers[name] = driver;
    }
    // Printers the engine lists but cannot hand out.
    void addBrokenPrinter(const std::wstring& name) { m_order.push_back(name); }
    // Every later call fails with hr, as a proxy does once the engine's process is gone.
    void failCalls(HRESULT hr) { m_callFailure = hr; }

    STDMETHODIMP getDriver(BSTR printerName, IPrintDriver** driver) override;
    STDMETHODIMP enumPrinters(VARIANT* printers) override;
    KELO_FAKE_NOTIMPL(splStartDoc(BSTR, long, long*))
    KELO_FAKE_NOTIMPL(splEndDoc(long))
    KELO_FAKE_NOTIMPL(splClose(long))
    KELO_FAKE_NOTIMPL(splStartPage(long, long*))
    KELO_FAKE_NOTIMPL(splEndPage(long, long*))
    KELO_FAKE_NOTIMPL(splAbort(long))
    KELO_FAKE_NOTIMPL(splWritePrinter(long, long, BSTR*))

private:
    std::vector<std::wstring> m_order;
    std::map<std::wstring, ComPtr<FakeDriver>> m_drivers;
    HRESULT m_callFailure = S_OK;
};
