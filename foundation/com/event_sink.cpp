#include "event_sink.h"

#include <utility>

namespace com {

const VARIANT* eventArgument(const DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - index];
}

EventSink::EventSink(REFIID eventInterface, Handler handler)
    : eventInterface_(eventInterface), handler_(std::move(handler)) {}

HRESULT EventSink::queryOther(REFIID iid, void** out) {
    if (iid != eventInterface_) return E_NOINTERFACE;
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

STDMETHODIMP EventSink::Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                               UINT*) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return delivering_ && handler_ ? handler_(event, params) : S_OK;
}

void EventSink::setDelivering(bool on) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    delivering_ = on;
}

Subscription::Subscription(Subscription&& other) noexcept
    : point_(std::move(other.point_)), sink_(std::move(other.sink_)), cookie_(std::exchange(other.cookie_, 0)) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        end();
        point_ = std::move(other.point_);
        sink_ = std::move(other.sink_);
        cookie_ = std::exchange(other.cookie_, 0);
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
    point_ = point;
    sink_ = sink;
    cookie_ = cookie;
    return S_OK;
}

void Subscription::end() {
    if (sink_) sink_->setDelivering(false);
    if (point_ && cookie_) point_->Unadvise(cookie_);
    point_.Reset();
    sink_.Reset();
    cookie_ = 0;
}

}  // namespace com
