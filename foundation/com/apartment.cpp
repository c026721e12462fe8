#include "apartment.h"

namespace com {

Apartment::Apartment(COINIT model, OtherApartment other) {
    HRESULT hr = CoInitializeEx(nullptr, model);
    m_inRequested = SUCCEEDED(hr);
    m_inOther = hr == RPC_E_CHANGED_MODE;
    if (m_inOther && other == JoinOther)
        hr = CoInitializeEx(nullptr, model == COINIT_MULTITHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
    m_entered = SUCCEEDED(hr);
}

Apartment::~Apartment() {
    if (m_entered) CoUninitialize();
}

}  // namespace com
