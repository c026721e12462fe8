#include "connection_point.h"

#include <algorithm>

#include "debug_log.h"
#include "guard.h"

namespace com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID eventInterface)
    : m_container(container), m_eventInterface(eventInterface) {}

ConnectionPoint::~ConnectionPoint() {
    ComPtr<IGlobalInterfaceTable> table;
    if (m_connections.empty() || FAILED(globalTable(table))) return;
    for (const Connection& connection : m_connections) table->RevokeInterfaceFromGlobal(connection.cookie);
}

HRESULT ConnectionPoint::globalTable(ComPtr<IGlobalInterfaceTable>& table) {
    if (!m_table) {
        HRESULT hr =
            CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_table));
        if (FAILED(hr)) return hr;
    }
    table = m_table;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = m_eventInterface;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = m_container;
    m_container->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(m_eventInterface, reinterpret_cast<void**>(events.GetAddressOf()))))
        return CONNECT_E_CANNOTCONNECT;

    std::lock_guard<std::mutex> guard(m_lock);
    ComPtr<IGlobalInterfaceTable> table;
    HRESULT hr = globalTable(table);
    if (FAILED(hr)) return hr;
    DWORD registered = 0;
    hr = table->RegisterInterfaceInGlobal(events.Get(), m_eventInterface, &registered);
    if (FAILED(hr)) return hr;
    try {
        m_connections.push_back({registered, events});
    } catch (...) {
        table->RevokeInterfaceFromGlobal(registered);
        return E_OUTOFMEMORY;
    }
    *cookie = registered;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    size_t position = 0;
    return remove(cookie, position) ? S_OK : CONNECT_E_NOCONNECTION;
}

bool ConnectionPoint::remove(DWORD cookie, size_t& position) {
    Connection removed{};
    ComPtr<IGlobalInterfaceTable> table;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                  [cookie](const Connection& c) { return c.cookie == cookie; });
        if (cookie == 0 || found == m_connections.end()) return false;
        position = size_t(found - m_connections.begin());
        removed = std::move(*found);
        m_connections.erase(found);
        globalTable(table);
    }
    if (table) table->RevokeInterfaceFromGlobal(removed.cookie);
    return true;  // the sink reference goes with `removed`, outside the lock
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    return E_NOTIMPL;
}

int ConnectionPoint::fire(DISPID event, const std::vector<Variant>& arguments, bool* stopAsked) {
    // Invoke takes the arguments last to first.
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};

    int delivered = 0;
    for (size_t position = 0;; ++position) {
        DWORD cookie = 0;
        ComPtr<IGlobalInterfaceTable> table;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (position >= m_connections.size()) break;
            cookie = m_connections[position].cookie;
            globalTable(table);
        }
        if (cookie == 0 || !table) continue;
        ComPtr<IUnknown> sink;
        ComPtr<IDispatch> dispatch;
        HRESULT hr =
            table->GetInterfaceFromGlobal(cookie, m_eventInterface, reinterpret_cast<void**>(sink.GetAddressOf()));
        if (SUCCEEDED(hr)) hr = sink.As(&dispatch);
        if (SUCCEEDED(hr)) {
            Variant result;
            hr = dispatch->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                  nullptr);
            if (hr == E_ABORT && stopAsked) *stopAsked = true;
            if (SUCCEEDED(hr)) {
                ++delivered;
                continue;
            }
            DebugLine() << moduleBaseName() << " - error on notifing " << position << " " << (long)hr;
        }
        // A sink that is gone would fail every later event as well. When it is dropped,
        // the next sink moves into its place (unsigned wrap-around makes 0 - 1 + 1 = 0).
        size_t removedAt = 0;
        if (isPeerGone(hr) && remove(cookie, removedAt) && removedAt <= position) --position;
    }
    return delivered;
}

namespace {
// Enumerates the one connection point of an EventSource.
class OnePointEnumerator : public Object<OnePointEnumerator, IEnumConnectionPoints> {
public:
    explicit OnePointEnumerator(IConnectionPoint* point, ULONG position = 0) : m_point(point), m_position(position) {}

    STDMETHODIMP Next(ULONG wanted, IConnectionPoint** points, ULONG* fetched) override {
        if (!points || (wanted > 1 && !fetched)) return E_POINTER;
        ULONG count = 0;
        if (wanted > 0 && m_position == 0) {
            points[0] = m_point.Get();
            m_point->AddRef();
            m_position = count = 1;
        }
        if (fetched) *fetched = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        bool past = m_position + count > 1;
        m_position = past ? 1 : m_position + count;
        return past ? S_FALSE : S_OK;
    }
    STDMETHODIMP Reset() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumConnectionPoints** copy) override {
        if (!copy) return E_POINTER;
        *copy = make<OnePointEnumerator>(m_point.Get(), m_position).Detach();
        return S_OK;
    }

private:
    ComPtr<IConnectionPoint> m_point;
    ULONG m_position;
};
}  // namespace

STDMETHODIMP SingleEventSourceBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    *points = nullptr;
    try {
        *points = make<OnePointEnumerator>(&m_events).Detach();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP SingleEventSourceBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != m_events.eventInterface()) return CONNECT_E_NOCONNECTION;
    *point = &m_events;
    m_events.AddRef();
    return S_OK;
}

}  // namespace com
