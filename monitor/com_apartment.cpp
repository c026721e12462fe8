#include "com_apartment.h"

#include <objbase.h>

ComApartment::ComApartment() {
    result_ = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (result_ == RPC_E_CHANGED_MODE) result_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

ComApartment::~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
}
