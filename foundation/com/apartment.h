#pragma once
// The calling thread in a COM apartment for the life of an Apartment object.
#include <windows.h>
#include <objbase.h>

namespace com {

class Apartment {
public:
    // What a thread that is already in the other apartment (RPC_E_CHANGED_MODE) does:
    // stay there as it is, or also join that one for the life of this object.
    enum OtherApartment { StayInOther, JoinOther };

    // Enters `model` (COINIT_APARTMENTTHREADED or COINIT_MULTITHREADED).
    Apartment(COINIT model, OtherApartment other);
    // Leaves what this object entered.
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    // The thread is in the apartment it was asked to enter.
    bool inRequested() const { return m_inRequested; }
    // The thread was already in the other apartment.
    bool inOther() const { return m_inOther; }
    // The thread stays in COM after this object ends, for the rest of its life.
    void keep() { m_entered = false; }

private:
    bool m_entered = false;
    bool m_inRequested = false;
    bool m_inOther = false;
};

}  // namespace com
