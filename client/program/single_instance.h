#pragma once
// One client per session. The first client marks itself from its first instant with a
// named mutex it owns for its life; a second start waits for that client's main window
// (which comes only after the engine is bound), restores it when minimised, brings it
// to the foreground and ends. When the first client ends before it has a window, the
// waiting one takes its place.
#include <windows.h>

#include "handles.h"

extern const wchar_t kMainWindowClass[];  // "KeloPrinterClientMain"

// Marks this process as the running client for its lifetime.
class InstanceMarker {
public:
    InstanceMarker();
    // True when another client held the marker when this one started.
    bool previousInstance() const { return m_previous; }
    // For a second start: waits until the other client's main window is there (it is
    // brought forward; false: end this start) or the other client has ended (this one
    // now holds the marker; true: start). After the patience, false.
    bool waitForTurn(DWORD patienceMs);

private:
    KernelHandle m_mutex;
    bool m_previous = false;
};

// Brings the other client's main window forward; false when no such window exists.
bool ActivatePrevInstance();
