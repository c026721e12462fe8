#pragma once
// What the main job shows: one line per step of the road, with the seconds since the
// start and the part of the system the step belongs to, written as it happens (from any
// thread) to standard output.
#include <windows.h>

#include <string>

namespace mainjob {

class RoadLog {
public:
    RoadLog();
    // "[  12.3s] upload    37 % sent".
    void step(const char* part, const std::string& text);
    // An indented line under the step before.
    void detail(const std::string& text);
    // Asks the script that runs the main job to photograph a rectangle of the screen into
    // <folder>\<name>.png, and waits (up to 20 s) until the picture is there. The script
    // reads "@screenshot <name> <x> <y> <width> <height>" lines from the output.
    bool screenshot(const std::wstring& folder, const std::string& name, HWND window);

private:
    void write(const std::string& line);

    DWORD m_start;
    CRITICAL_SECTION m_lock;
};

}  // namespace mainjob
