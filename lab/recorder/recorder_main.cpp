// lab-recorder: stands in for the browser (and other programs the system starts). Each
// start appends its full command line, as UTF-8, as one line to the file named by
// KELO_RECORDER_LOG, or to lab-recorder.log next to the program, and ends with 0.
#include "handles.h"
#include "lab_paths.h"
#include "lab_text.h"

#include <windows.h>

#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::wstring logPath;
    DWORD size = GetEnvironmentVariableW(L"KELO_RECORDER_LOG", nullptr, 0);
    if (size > 1) {
        std::vector<wchar_t> value(size);
        GetEnvironmentVariableW(L"KELO_RECORDER_LOG", value.data(), size);
        logPath = value.data();
    } else {
        logPath = lab::programFolder() + L"lab-recorder.log";
    }

    // One write with FILE_APPEND_DATA keeps the lines of concurrent starts whole.
    std::string line = lab::toUtf8(GetCommandLineW()) + "\r\n";
    FileHandle log(CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log) return 1;
    DWORD written = 0;
    if (!WriteFile(log.get(), line.data(), (DWORD)line.size(), &written, nullptr) || written != line.size()) return 1;
    return 0;
}
