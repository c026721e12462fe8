#include "single_instance.h"

const wchar_t kMainWindowClass[] = L"KeloPrinterClientMain";

InstanceMarker::InstanceMarker() {
    // Created and owned in one step: of two clients started at once, one holds it.
    mutex_.reset(CreateMutexW(nullptr, TRUE, L"KeloPrinterClientInstance"));
    previous_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

bool InstanceMarker::waitForTurn(DWORD patienceMs) {
    const DWORD step = 100;
    for (DWORD waited = 0; waited < patienceMs; waited += step) {
        if (ActivatePrevInstance()) return false;
        DWORD result = WaitForSingleObject(mutex_.get(), step);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            previous_ = false;
            return true;
        }
    }
    return false;
}

bool ActivatePrevInstance() {
    HWND other = FindWindowW(kMainWindowClass, nullptr);
    if (!other) return false;
    if (IsIconic(other)) OpenIcon(other);
    SetForegroundWindow(other);
    return true;
}
