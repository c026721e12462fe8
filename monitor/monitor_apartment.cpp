#include "monitor_apartment.h"

#include <objbase.h>

#include <cstdio>
#include <memory>

#include "cstring.h"
#include "debug_log.h"
#include "handles.h"

namespace {

const DWORD kKeeperStartMs = 10000;

struct Keeper {
    HANDLE neverSignalled;  // its name marks the keeper for the process
    HANDLE joined;          // set once the keeper is in the apartment and waits
};

using SignalAndWait = DWORD(WINAPI*)(HANDLE, HANDLE, DWORD, BOOL);

// Joins the apartment, tells its starter, and waits for good. The monitor may be
// unloaded as soon as its starter returns: from then on the thread must never run this
// module's code again. SignalObjectAndWait tells and starts waiting in one step; the
// Windows 9x family lacks it and gets the two steps.
DWORD WINAPI holdApartment(LPVOID parameter) {
    Keeper keeper = *static_cast<Keeper*>(parameter);
    delete static_cast<Keeper*>(parameter);
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr))
        DebugLine() << "keepMonitorApartment - cannot join the apartment " << cSTRING::format("0x%x", (unsigned)hr).c_str();
    auto signalAndWait = reinterpret_cast<SignalAndWait>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SignalObjectAndWait")));
    if (!signalAndWait || signalAndWait(keeper.joined, keeper.neverSignalled, INFINITE, FALSE) == WAIT_FAILED) {
        SetEvent(keeper.joined);
        WaitForSingleObject(keeper.neverSignalled, INFINITE);
    }
    return 0;
}

}  // namespace

void keepMonitorApartment() {
    // The event names the holding thread for the process: a monitor loaded again finds
    // it and starts no second one. Its handle stays open for the process's life.
    char name[64];
    snprintf(name, sizeof name, "ZoltPort apartment %lu", GetCurrentProcessId());
    SetLastError(ERROR_SUCCESS);
    Keeper keeper = {CreateEventA(nullptr, TRUE, FALSE, name), nullptr};
    if (!keeper.neverSignalled) {
        DebugLine() << "keepMonitorApartment - cannot create the event (" << GetLastError() << ")";
        return;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(keeper.neverSignalled);
        return;
    }
    KernelHandle joined(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    keeper.joined = joined.get();
    auto handedOver = std::make_unique<Keeper>(keeper);
    KernelHandle thread(joined ? CreateThread(nullptr, 0, holdApartment, handedOver.get(), 0, nullptr) : nullptr);
    if (!thread) {
        DebugLine() << "keepMonitorApartment - cannot start the thread (" << GetLastError() << ")";
        CloseHandle(keeper.neverSignalled);
        return;
    }
    handedOver.release();
    // Until the keeper waits, it runs this module's code: the monitor is not handed
    // back before then.
    HANDLE started[] = {joined.get(), thread.get()};
    if (WaitForMultipleObjects(2, started, FALSE, kKeeperStartMs) == WAIT_TIMEOUT) {
        DebugLine() << "keepMonitorApartment - the thread did not start";
        joined.release();  // the keeper may still signal it
    }
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
