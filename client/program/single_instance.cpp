#include "single_instance.h"

const wchar_t kMainWindowClass[] = L"KeloPrinterClientMain";

InstanceMarker::InstanceMarker() {
    // Created and owned in one step: of two clients started at once, one holds it.
    m_mutex.reset(CreateMutexW(nullptr, TRUE, L"KeloPrinterClientInstance"));
    m_previous = m_mutex && GetLastError() == ERROR_ALREADY_EXISTS;
}

bool InstanceMarker::waitForTurn(DWORD patienceMs) {
    const DWORD step = 100;
    for (DWORD waited = 0; waited < patienceMs; waited += step) {
        if (ActivatePrevInstance()) return false;
        DWORD result = WaitForSingleObject(m_mutex.get(), step);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            m_previous = false;
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
