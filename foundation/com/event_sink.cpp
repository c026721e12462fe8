#include "event_sink.h"

#include <utility>

namespace com {

const VARIANT* eventArgument(const DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - index];
}

EventSink::EventSink(REFIID eventInterface, Handler handler)
    : m_eventInterface(eventInterface), m_handler(std::move(handler)) {}

HRESULT EventSink::queryOther(REFIID iid, void** out) {
    if (iid != m_eventInterface) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP EventSink::Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_delivering && m_handler ? m_handler(event, params) : S_OK;
}

void EventSink::setDelivering(bool on) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_delivering = on;
}

Subscription::Subscription(Subscription&& other) noexcept
    : m_point(std::move(other.m_point)), m_sink(std::move(other.m_sink)), m_cookie(std::exchange(other.m_cookie, 0)) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        end();
        m_point = std::move(other.m_point);
        m_sink = std::move(other.m_sink);
        m_cookie = std::exchange(other.m_cookie, 0);
    }
    return *this;
}

HRESULT Subscription::begin(IUnknown* source, REFIID eventInterface, EventSink* sink) {
    end();
    if (!source || !sink) return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_PPV_ARGS(&container));
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(eventInterface, &point);
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    sink->setDelivering(true);
    hr = point->Advise(sink->identity(), &cookie);
    if (FAILED(hr)) return hr;
    m_point = point;
    m_sink = sink;
    m_cookie = cookie;
    return S_OK;
}

void Subscription::end() {
    if (m_sink) m_sink->setDelivering(false);
    if (m_point && m_cookie) m_point->Unadvise(m_cookie);
    m_point.Reset();
    m_sink.Reset();
    m_cookie = 0;
}

}  // namespace com
