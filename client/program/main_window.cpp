#include "main_window.h"

#include <comdef.h>

#include "browser.h"
#include "com/guard.h"
#include "debug_log.h"
#include "error_msg.h"
#include "program_end.h"
#include "resource_ids.h"
#include "settings_dialog.h"
#include "settings_texts.h"
#include "single_instance.h"
#include "windows_util.h"

const wchar_t kMakerSite[] = L"http://www.vorlane.com/";

namespace {
constexpr UINT kShowEngineProblem = WM_APP + 1;
// The look at the print engine: is it still there, or must the printers be bound again.
constexpr UINT_PTR kEngineCheckTimer = 1;
constexpr UINT kEngineCheckMs = 3000;

bool isEngineCheck(const MSG& message, HWND main) {
    return message.message == WM_TIMER && message.hwnd == main && message.wParam == kEngineCheckTimer;
}

void registerWindowClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = com::moduleHandle();
    windowClass.hIcon = LoadIconW(com::moduleHandle(), MAKEINTRESOURCEW(IDI_KELO));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExW(&windowClass);
}
}  // namespace

MainWindow::MainWindow(C_localization& localization, C_manager::DriverManagerFactory engine)
    : m_localization(localization), m_engine(std::move(engine)) {}

MainWindow::~MainWindow() {
    unload();
    m_manager.reset();
    setProgramEndHandler(nullptr);
}

bool MainWindow::load() {
    registerWindowClass();
    m_manager = std::make_unique<C_manager>(m_localization, m_engine);
    m_manager->start();
    // An update's installer ends the client at once; the icon must not stay behind.
    setProgramEndHandler([this] {
        if (m_tray) m_tray->hideTray();
    });
    if (!createModeless(IDD_MAIN, nullptr)) return false;
    if (m_manager->engineProblem()) PostMessageW(hwnd(), kShowEngineProblem, 0, 0);
    SetTimer(hwnd(), kEngineCheckTimer, kEngineCheckMs, nullptr);
    DebugLine() << "frmPrinterClientMain - started with " << m_manager->drivers().size() << " printers";
    return true;
}

BOOL MainWindow::onInit() {
    if (!m_tray) m_tray = std::make_unique<frmTrayHandle>();
    m_tray->onDoubleClick = [this] { showFromTray(); };
    m_tray->setTrayIcon(IDI_KELO);
    m_tray->setToolTip(m_localization.stringLclz(L"STR_GEN_PDTITLE", L"Print Driver"));
    m_tray->showTray();
    m_localization.formLclz(hwnd(), kMainFormTags, m_objects);
    ShowWindow(hwnd(), SW_HIDE);
    return FALSE;
}

int MainWindow::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Only here, with no dialog, login, upload or engine event under way on this
        // thread, may the manager replace its handlers.
        if (hwnd() && isEngineCheck(message, hwnd())) {
            if (m_manager) m_manager->checkEngine();
            continue;
        }
        if (hwnd() && IsDialogMessageW(hwnd(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    unload();
    // The handlers go only now: an unload asked for while a job's dialog was open has
    // let that job's code return first.
    m_manager.reset();
    return 0;
}

void MainWindow::showFromTray() {
    if (!hwnd()) return;
    ShowWindow(hwnd(), SW_SHOW);
    bringToFront(hwnd());
}

void MainWindow::showSettings() {
    auto failure = com::runCaught([&] {
        frmSettings settings(m_localization, m_manager ? m_manager->printerCatalog() : nullptr);
        settings.doDlg(hwnd());
    });
    if (!failure) return;
    long code = failure->kind == com::Failure::ComError ? (long)failure->hr : (long)BV_ERR_GENERAL;
    MessageBoxW(hwnd(), settingsErrorText(m_localization, code, failure->description).c_str(),
                m_localization.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error").c_str(), MB_OK | MB_ICONSTOP);
}

void MainWindow::showEngineProblem() {
    if (!m_manager || !m_manager->engineProblem()) return;
    std::wstring text =
        m_localization.stringLclz(L"STR_MAIN_NOENGINE",
                                  L"The print engine could not be reached. Print Driver keeps running, but no printer "
                                  L"will send jobs until it is started again.") +
        L"\r\n\r\n" +
        m_localization.stringLclz(L"STR_MAIN_DESC", L"Description", {L" : ", *m_manager->engineProblem()});
    MessageBoxW(hwnd(), text.c_str(), m_localization.stringLclz(L"STR_GEN_TITLERROR", L"Print Driver - Error").c_str(),
                MB_OK | MB_ICONSTOP);
}

void MainWindow::unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    if (m_tray) m_tray->hideTray();
    m_tray.reset();
    destroy();
    DebugLine() << "frmPrinterClientMain - unloaded";
    PostQuitMessage(0);
}

BOOL MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_TIMER:
        // A nested message loop (a dialog, a message box) passes the engine check on
        // here: it is skipped, and the next tick comes from the main loop.
        return wParam == kEngineCheckTimer;
    case WM_CLOSE:
        ShowWindow(hwnd(), SW_HIDE);  // the close box only hides the window
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) unload();
        return TRUE;
    case kShowEngineProblem: showEngineProblem(); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_MAIN_SETTINGS: showSettings(); return TRUE;
        case IDC_MAIN_UNLOAD: unload(); return TRUE;
        case IDC_MAIN_LINK:
            if (HIWORD(wParam) == STN_CLICKED) runURL(kMakerSite);
            return TRUE;
        case IDCANCEL:  // Escape
            ShowWindow(hwnd(), SW_HIDE);
            return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}
