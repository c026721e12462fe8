#include "apartment.h"

namespace com {

Apartment::Apartment(COINIT model, OtherApartment other) {
    HRESULT hr = CoInitializeEx(nullptr, model);
    inRequested_ = SUCCEEDED(hr);
    inOther_ = hr == RPC_E_CHANGED_MODE;
    if (inOther_ && other == JoinOther)
        hr = CoInitializeEx(nullptr, model == COINIT_MULTITHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
    entered_ = SUCCEEDED(hr);
}

Apartment::~Apartment() {
    if (entered_) CoUninitialize();
}

}  // namespace com
