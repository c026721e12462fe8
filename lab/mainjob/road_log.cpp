#include "road_log.h"

#include <cstdio>

#include "lab_gui.h"
#include "lab_paths.h"
#include "lab_text.h"

namespace mainjob {

RoadLog::RoadLog() : m_start(GetTickCount()) { InitializeCriticalSection(&m_lock); }

void RoadLog::step(const char* part, const std::string& text) {
    char prefix[40];
    snprintf(prefix, sizeof prefix, "[%6.1fs] %-9s ", (GetTickCount() - m_start) / 1000.0, part);
    write(prefix + text);
}

void RoadLog::detail(const std::string& text) { write(std::string(19, ' ') + text); }

void RoadLog::write(const std::string& line) {
    EnterCriticalSection(&m_lock);
    fwrite(line.data(), 1, line.size(), stdout);
    fputs("\n", stdout);
    fflush(stdout);
    LeaveCriticalSection(&m_lock);
}

bool RoadLog::screenshot(const std::wstring& folder, const std::string& name, HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return false;
    // Let the window finish painting before it is photographed.
    Sleep(500);
    std::wstring picture = folder + L"\\" + lab::fromUtf8(name) + L".png";
    DeleteFileW(picture.c_str());
    char request[160];
    snprintf(request, sizeof request, "@screenshot %s %ld %ld %ld %ld", name.c_str(), rect.left, rect.top,
             rect.right - rect.left, rect.bottom - rect.top);
    write(request);
    return lab::gui::waitUntil([&] { return lab::fileExists(picture); }, 20000);
}

}  // namespace mainjob
