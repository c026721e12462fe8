#pragma once
// One client per session: a second start finds the running client's main window,
// restores it when minimised, brings it to the foreground and ends.
#include <windows.h>

#include "handles.h"

extern const wchar_t kMainWindowClass[];  // "KeloPrinterClientMain"

// Marks this process as the running client for its lifetime.
class InstanceMarker {
public:
    InstanceMarker();
    // True when another client was running when this one started.
    bool previousInstance() const { return previous_; }

private:
    KernelHandle mutex_;
    bool previous_ = false;
};

// Brings the other client's main window forward; false when no such window exists
// (this instance then starts normally).
bool ActivatePrevInstance();
