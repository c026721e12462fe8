#include "single_instance.h"

const wchar_t kMainWindowClass[] = L"KeloPrinterClientMain";

InstanceMarker::InstanceMarker() {
    mutex_.reset(CreateMutexW(nullptr, FALSE, L"KeloPrinterClientInstance"));
    previous_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ActivatePrevInstance() {
    HWND other = FindWindowW(kMainWindowClass, nullptr);
    if (!other) return false;
    if (IsIconic(other)) OpenIcon(other);
    SetForegroundWindow(other);
    return true;
}
