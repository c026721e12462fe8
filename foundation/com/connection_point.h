#pragma once
// Event delivery to sinks in any apartment or process.
//
// Each advised sink is registered in the process's global interface table; firing
// fetches it from the table for the firing thread (a proxy when the sink lives in
// another apartment) and calls IDispatch::Invoke synchronously. A sink that fails is
// logged (naming this module) and skipped; the others still receive the event. A sink
// whose apartment or process is gone is dropped.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <mutex>
#include <string>
#include <vector>

#include "object.h"
#include "variant.h"

namespace com {

class ConnectionPoint : public IConnectionPoint {
public:
    // container: the object the point belongs to (its references count for ours).
    ConnectionPoint(IConnectionPointContainer* container, REFIID eventInterface);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_container->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_container->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    // Calls the event on every sink, arguments in their declared order. Returns the
    // number of sinks that took it; *stopAsked becomes true when a sink answered E_ABORT
    // (as a download's status callback asks to stop the transfer).
    int fire(DISPID event, const std::vector<Variant>& arguments = {}, bool* stopAsked = nullptr);

    REFIID eventInterface() const { return m_eventInterface; }

private:
    struct Connection {
        DWORD cookie;
        // Wine: a sink kept only in the global interface table receives the first event
        // and then fails with 0x800706B5 (the table's entry does not keep the proxy's
        // stub alive); holding the pointer until Unadvise avoids it.
        ComPtr<IUnknown> sink;
    };

    HRESULT globalTable(ComPtr<IGlobalInterfaceTable>& table);
    // Takes the connection out of the list and revokes it; false when it is not there.
    // `position` is where it was.
    bool remove(DWORD cookie, size_t& position);

    IConnectionPointContainer* const m_container;
    const IID m_eventInterface;
    std::mutex m_lock;
    std::vector<Connection> m_connections;
    ComPtr<IGlobalInterfaceTable> m_table;
};

// IConnectionPointContainer for an object with one outgoing interface.
class SingleEventSourceBase : public IConnectionPointContainer {
public:
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

protected:
    explicit SingleEventSourceBase(REFIID eventInterface) : m_events(this, eventInterface) {}

    ConnectionPoint& events() { return m_events; }

private:
    ConnectionPoint m_events;
};

template <class EventInterface>
class EventSource : public SingleEventSourceBase {
protected:
    EventSource() : SingleEventSourceBase(__uuidof(EventInterface)) {}
};

template <class EventInterface>
struct ImplementedInterface<EventSource<EventInterface>> {
    using type = IConnectionPointContainer;
};

}  // namespace com
