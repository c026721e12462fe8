#include "lab_gui.h"

#include "error_msg.h"
#include "lab_paths.h"
#include "lab_text.h"

namespace lab {
namespace gui {
namespace {

constexpr UINT kSendTimeoutMs = 5000;

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return (LRESULT)result;
}

struct Search {
    std::wstring caption;
    std::wstring className;
    DWORD processId;
    HWND excluding;
    bool visibleOnly;
    HWND found = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (window == search->excluding) return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (search->processId && processOf(window) != search->processId) return TRUE;
    if (!search->className.empty() && className(window) != search->className) return TRUE;
    if (search->className.empty() && textOf(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

HWND findWindow(const std::wstring& caption, DWORD processId, HWND excluding) {
    Search search{caption, L"", processId, excluding, true};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForWindow(const std::wstring& caption, DWORD timeoutMs, DWORD processId, HWND excluding) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findWindow(caption, processId, excluding)) != nullptr; }, timeoutMs);
    return found;
}

HWND findWindowOfClass(const std::wstring& windowClass, DWORD processId) {
    Search search{L"", windowClass, processId, nullptr, false};
    EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool waitForWindowGone(HWND window, DWORD timeoutMs) {
    return waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::wstring textOf(HWND window) {
    LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text((size_t)length + 1, L'\0');
    LRESULT copied = send(window, WM_GETTEXT, (WPARAM)text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? (size_t)copied : 0);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

DWORD processOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::wstring messageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);  // the message of a message box
    return text ? textOf(text) : L"";
}

HWND childWithText(HWND parent, const std::wstring& text) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child) && textOf(child) == text) return child;
    return nullptr;
}

void typeText(HWND box, const std::wstring& text) {
    for (wchar_t c : text) send(box, WM_CHAR, c, 1);
}

void clearText(HWND box) {
    send(box, EM_SETSEL, 0, -1);
    send(box, WM_CHAR, VK_BACK, 1);
}

bool click(HWND button) {
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
    // Posted: the click may open a modal window, which must not hold the robot.
    return PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool click(HWND dialog, int controlId) { return click(GetDlgItem(dialog, controlId)); }

void pressCloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

bool isChecked(HWND button) { return send(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::vector<std::wstring> comboItems(HWND combo) {
    std::vector<std::wstring> items;
    LRESULT count = send(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = send(combo, CB_GETLBTEXTLEN, (WPARAM)i, 0);
        std::wstring item((size_t)(length > 0 ? length : 0) + 1, L'\0');
        send(combo, CB_GETLBTEXT, (WPARAM)i, reinterpret_cast<LPARAM>(&item[0]));
        item.resize(wcslen(item.c_str()));
        items.push_back(item);
    }
    return items;
}

int comboSelection(HWND combo) { return (int)send(combo, CB_GETCURSEL, 0, 0); }

bool chooseComboItem(HWND combo, int index) {
    if (send(combo, CB_SETCURSEL, (WPARAM)index, 0) != index) return false;
    HWND parent = GetParent(combo);
    int id = GetDlgCtrlID(combo);
    return PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo)) != FALSE;
}

std::vector<HWND> trayIcons() {
    std::vector<HWND> icons;
    HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    if (!tray) return icons;
    for (HWND child = GetWindow(tray, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (className(child) == L"__winex11_tray_icon" && IsWindowVisible(child)) icons.push_back(child);
    return icons;
}

void doubleClickTrayIcon(HWND icon) {
    LPARAM where = MAKELPARAM(4, 4);
    PostMessageW(icon, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(icon, WM_LBUTTONUP, 0, where);
    PostMessageW(icon, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageW(icon, WM_LBUTTONUP, 0, where);
}

ProgramUnderTest::ProgramUnderTest(const std::wstring& commandLine) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    m_outputPath = std::wstring(temp) + L"lab-program-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++serial) + L".log";
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE output =
        CreateFileW(m_outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot create %s: %s", toUtf8(m_outputPath).c_str(),
                         errorText(GetLastError()).c_str());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    DWORD error = GetLastError();
    CloseHandle(output);
    if (!started)
        throw cERROR_MSG(BV_ERR_GENERAL, "Cannot start %s: %s", toUtf8(commandLine).c_str(), errorText(error).c_str());
    CloseHandle(process.hThread);
    m_process = process.hProcess;
    m_processId = process.dwProcessId;
}

ProgramUnderTest::~ProgramUnderTest() {
    terminate();
    CloseHandle(m_process);
    DeleteFileW(m_outputPath.c_str());
}

bool ProgramUnderTest::running() const { return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> ProgramUnderTest::waitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

std::string ProgramUnderTest::output() const {
    try {
        return readFileBytes(m_outputPath);
    } catch (const cERROR_MSG&) {
        return "";
    }
}

bool ProgramUnderTest::waitForOutput(const std::string& text, DWORD timeoutMs) const {
    return waitUntil([&] { return output().find(text) != std::string::npos; }, timeoutMs);
}

void ProgramUnderTest::terminate() {
    if (m_process && running()) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 10000);
    }
}

}  // namespace gui
}  // namespace lab
