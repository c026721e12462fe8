#pragma once
// The receiving side of events: a dispatch sink that hands every call to a handler,
// and a subscription that advises it on a source and unadvises when it ends.
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <mutex>

#include "object.h"

namespace com {

// The argument at `index` in declared order (Invoke passes them last to first), or
// nullptr when there are fewer arguments.
const VARIANT* eventArgument(const DISPPARAMS* params, UINT index);

class EventSink : public Object<EventSink, IDispatch> {
public:
    using Handler = std::function<HRESULT(DISPID event, DISPPARAMS* params)>;

    EventSink(REFIID eventInterface, Handler handler);

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    HRESULT queryOther(REFIID iid, void** out);

    // While off, calls are answered S_OK without reaching the handler. Turning it off
    // waits for a call that runs on another thread.
    void setDelivering(bool on);

private:
    const IID m_eventInterface;
    Handler m_handler;
    std::recursive_mutex m_lock;  // held while the handler runs
    bool m_delivering = true;
};

// Advises a sink on the source's connection point for one event interface; unadvises
// when destroyed or ended. Ending also stops the sink's handler: an event the source
// took just before the Unadvise never reaches a handler whose owner may be gone.
class Subscription {
public:
    Subscription() = default;
    ~Subscription() { end(); }
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    // Returns the HRESULT of FindConnectionPoint or Advise.
    HRESULT begin(IUnknown* source, REFIID eventInterface, EventSink* sink);
    void end();
    bool active() const { return m_cookie != 0; }

private:
    ComPtr<IConnectionPoint> m_point;
    ComPtr<EventSink> m_sink;
    DWORD m_cookie = 0;
};

}  // namespace com
