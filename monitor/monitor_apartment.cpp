#include "monitor_apartment.h"

#include <objbase.h>

bool joinMonitorApartment() {
    enum class Apartment { Unknown, Multithreaded, Other };
    static thread_local Apartment apartment = Apartment::Unknown;
    if (apartment == Apartment::Unknown) {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(hr)) apartment = Apartment::Multithreaded;
        else if (hr == RPC_E_CHANGED_MODE) apartment = Apartment::Other;
    }
    return apartment == Apartment::Multithreaded;
}
