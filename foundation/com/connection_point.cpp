#include "connection_point.h"

#include <algorithm>

#include "debug_log.h"
#include "guard.h"

namespace com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer* container, REFIID eventInterface)
    : container_(container), eventInterface_(eventInterface) {}

ConnectionPoint::~ConnectionPoint() {
    ComPtr<IGlobalInterfaceTable> table;
    if (connections_.empty() || FAILED(globalTable(table))) return;
    for (const Connection& connection : connections_) table->RevokeInterfaceFromGlobal(connection.cookie);
}

HRESULT ConnectionPoint::globalTable(ComPtr<IGlobalInterfaceTable>& table) {
    if (!table_) {
        HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&table_));
        if (FAILED(hr)) return hr;
    }
    table = table_;
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
    *iid = eventInterface_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComPtr<IUnknown> events;
    if (FAILED(sink->QueryInterface(eventInterface_, reinterpret_cast<void**>(events.GetAddressOf()))))
        return CONNECT_E_CANNOTCONNECT;

    std::lock_guard<std::mutex> guard(lock_);
    ComPtr<IGlobalInterfaceTable> table;
    HRESULT hr = globalTable(table);
    if (FAILED(hr)) return hr;
    DWORD registered = 0;
    hr = table->RegisterInterfaceInGlobal(events.Get(), eventInterface_, &registered);
    if (FAILED(hr)) return hr;
    try {
        connections_.push_back({registered, events});
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
        std::lock_guard<std::mutex> guard(lock_);
        auto found = std::find_if(connections_.begin(), connections_.end(),
                                  [cookie](const Connection& c) { return c.cookie == cookie; });
        if (cookie == 0 || found == connections_.end()) return false;
        position = size_t(found - connections_.begin());
        removed = std::move(*found);
        connections_.erase(found);
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
            std::lock_guard<std::mutex> guard(lock_);
            if (position >= connections_.size()) break;
            cookie = connections_[position].cookie;
            globalTable(table);
        }
        if (cookie == 0 || !table) continue;
        ComPtr<IUnknown> sink;
        ComPtr<IDispatch> dispatch;
        HRESULT hr = table->GetInterfaceFromGlobal(cookie, eventInterface_, reinterpret_cast<void**>(sink.GetAddressOf()));
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
    explicit OnePointEnumerator(IConnectionPoint* point, ULONG position = 0) : point_(point), position_(position) {}

    STDMETHODIMP Next(ULONG wanted, IConnectionPoint** points, ULONG* fetched) override {
        if (!points || (wanted > 1 && !fetched)) return E_POINTER;
        ULONG count = 0;
        if (wanted > 0 && position_ == 0) {
            points[0] = point_.Get();
            point_->AddRef();
            position_ = count = 1;
        }
        if (fetched) *fetched = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        bool past = position_ + count > 1;
        position_ = past ? 1 : position_ + count;
        return past ? S_FALSE : S_OK;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumConnectionPoints** copy) override {
        if (!copy) return E_POINTER;
        *copy = make<OnePointEnumerator>(point_.Get(), position_).Detach();
        return S_OK;
    }

private:
    ComPtr<IConnectionPoint> point_;
    ULONG position_;
};
}  // namespace

STDMETHODIMP SingleEventSourceBase::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (!points) return E_POINTER;
    *points = nullptr;
    try {
        *points = make<OnePointEnumerator>(&events_).Detach();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP SingleEventSourceBase::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != events_.eventInterface()) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

}  // namespace com
