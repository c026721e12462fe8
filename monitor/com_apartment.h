#pragma once
// COM for the calling thread for the duration of one port operation: the multithreaded
// apartment, or the apartment-threaded model when the thread is in a single-threaded
// apartment already. Uninitialised on destruction when initialisation succeeded.
#include <windows.h>

class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};
