#include "com_apartment.h"

#include <objbase.h>

ComApartment::ComApartment() {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr == RPC_E_CHANGED_MODE) hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    initialised_ = SUCCEEDED(hr);
}

ComApartment::~ComApartment() {
    if (initialised_) CoUninitialize();
}
