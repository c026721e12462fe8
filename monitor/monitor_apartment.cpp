#include "monitor_apartment.h"

#include <objbase.h>

#include <cstdio>

#include "cstring.h"
#include "debug_log.h"

namespace {

// Joins the apartment and waits on an event that is never signalled. When the monitor
// is unloaded the thread goes on waiting inside the system and never returns into this
// module; the process's end takes it.
DWORD WINAPI holdApartment(LPVOID neverSignalled) {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr))
        DebugLine() << "keepMonitorApartment - cannot join the apartment " << cSTRING::format("0x%x", (unsigned)hr).c_str();
    WaitForSingleObject(static_cast<HANDLE>(neverSignalled), INFINITE);
    return 0;
}

}  // namespace

void keepMonitorApartment() {
    // The event names the holding thread for the process: a monitor loaded again finds
    // it and starts no second one. Its handle stays open for the process's life.
    char name[64];
    snprintf(name, sizeof name, "ZoltPort apartment %lu", GetCurrentProcessId());
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name);
    if (!event) {
        DebugLine() << "keepMonitorApartment - cannot create the event (" << GetLastError() << ")";
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(event);
        return;
    }
    HANDLE thread = CreateThread(nullptr, 0, holdApartment, event, 0, nullptr);
    if (!thread) {
        DebugLine() << "keepMonitorApartment - cannot start the thread (" << GetLastError() << ")";
        CloseHandle(event);
        return;
    }
    CloseHandle(thread);
}

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
