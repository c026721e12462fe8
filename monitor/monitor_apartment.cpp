#include "monitor_apartment.h"

#include "com/apartment.h"

bool joinMonitorApartment() {
    enum class Apartment { Unknown, Multithreaded, Other };
    static thread_local Apartment apartment = Apartment::Unknown;
    if (apartment == Apartment::Unknown) {
        com::Apartment joined(COINIT_MULTITHREADED, com::Apartment::StayInOther);
        if (joined.inRequested())
            apartment = Apartment::Multithreaded;
        else if (joined.inOther())
            apartment = Apartment::Other;
        joined.keep();
    }
    return apartment == Apartment::Multithreaded;
}
