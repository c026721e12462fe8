#pragma once
// COM for the life of a custom action on the installer's thread: apartment-threaded,
// or multithreaded when the thread already has that model. Uninitialised only when
// this object initialised it.
#include <windows.h>

class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_ = false;
};
