#include "printer_dialog.h"

#include <string>
#include <vector>

#include "com/guard.h"
#include "error_msg.h"
#include "error_text.h"
#include "installer_property.h"
#include "postscript_printers.h"
#include "printer_conversion.h"
#include "setup_resources.h"
#include "spooler_calls.h"
#include "text_convert.h"
#include "user_messages.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HINSTANCE thisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// A window of this process that the installer shows, to own the dialog.
HWND suitableOwner() {
    HWND window = GetForegroundWindow();
    DWORD process = 0;
    if (!window || !GetWindowThreadProcessId(window, &process) || process != GetCurrentProcessId()) return nullptr;
    return IsWindowVisible(window) && !IsIconic(window) ? window : nullptr;
}

void centre(HWND dialog) {
    RECT area = {};
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner || !IsWindowVisible(owner) || IsIconic(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own = {};
    GetWindowRect(dialog, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class PrinterDialog {
public:
    PrinterDialog(MSIHANDLE install, bool ansi) : m_install(install), m_ansi(ansi) {}
    ~PrinterDialog() {
        if (m_bigIcon) DestroyIcon(m_bigIcon);
        if (m_smallIcon) DestroyIcon(m_smallIcon);
    }
    PrinterDialog(const PrinterDialog&) = delete;
    PrinterDialog& operator=(const PrinterDialog&) = delete;

    int run() {
        INT_PTR result = m_ansi ? DialogBoxParamA(thisModule(), MAKEINTRESOURCEA(IDD_PRINTER_CONFIGURATION),
                                                  suitableOwner(), procedure, reinterpret_cast<LPARAM>(this))
                                : DialogBoxParamW(thisModule(), MAKEINTRESOURCEW(IDD_PRINTER_CONFIGURATION),
                                                  suitableOwner(), procedure, reinterpret_cast<LPARAM>(this));
        return result == 1 ? 1 : 0;
    }

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<PrinterDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!self) return FALSE;
        switch (message) {
        case WM_INITDIALOG: self->guarded(dialog, [&] { self->open(dialog); }); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                self->guarded(dialog, [&] { self->accept(dialog); });
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
        }
    }

    // Any failure is shown to the user and ends the dialog with 0: nothing may leave
    // the window procedure.
    template <typename Body>
    void guarded(HWND dialog, Body body) {
        auto failure = com::runCaught(body);
        if (!failure) return;
        if (failure->kind == com::Failure::ComError)
            showWarning(m_install, dialog, failure->description, L"Installer Error COM");
        else if (failure->kind == com::Failure::LibraryError)
            showWarning(m_install, dialog, failure->description);
        else
            showWarning(m_install, dialog, L"Unknown Error");
        EndDialog(dialog, 0);
    }

    void open(HWND dialog) {
        setIcons(dialog);
        centre(dialog);
        readInstallerProperty(m_install, L"REMOVE");  // read as the installer expects; no effect
        HWND list = GetDlgItem(dialog, IDC_PRINTER_LIST);
        for (const std::wstring& printer : postScriptPrinters()) addItem(list, printer);
        if (send(list, CB_GETCOUNT, 0, 0) > 0) send(list, CB_SETCURSEL, 0, 0);
    }

    void accept(HWND dialog) {
        std::wstring serverIp = readInstallerProperty(m_install, L"INSTALL_IP");
        HWND list = GetDlgItem(dialog, IDC_PRINTER_LIST);
        LRESULT selected = send(list, CB_GETCURSEL, 0, 0);
        if (selected == CB_ERR) {
            showWarning(m_install, dialog, L"Printer must be selected in order to proceed");
            return;
        }
        if (serverIp.empty()) throw cERROR_MSG(BV_ERR_GENERAL, "Corrupt installation file !");
        convertPrinter(m_install, dialog, itemText(list, (int)selected), serverIp);
        EndDialog(dialog, 1);
    }

    void setIcons(HWND dialog) {
        m_bigIcon = loadIcon(SM_CXICON, SM_CYICON);
        m_smallIcon = loadIcon(SM_CXSMICON, SM_CYSMICON);
        send(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
        send(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
    }

    static HICON loadIcon(int widthMetric, int heightMetric) {
        return static_cast<HICON>(LoadImageW(thisModule(), MAKEINTRESOURCEW(IDI_KELO_SETUP), IMAGE_ICON,
                                             GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), 0));
    }

    // Windows 9x has the ANSI messages only.
    LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return m_ansi ? SendMessageA(window, message, wParam, lParam) : SendMessageW(window, message, wParam, lParam);
    }

    void addItem(HWND list, const std::wstring& text) {
        if (m_ansi)
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toAnsi(text).c_str()));
        else
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    std::wstring itemText(HWND list, int index) {
        LRESULT length = send(list, CB_GETLBTEXTLEN, (WPARAM)index, 0);
        if (length == CB_ERR) return L"";
        if (m_ansi) {
            // An ANSI length counts bytes: more room than the characters need.
            std::vector<char> text((size_t)length * 2 + 2, '\0');
            SendMessageA(list, CB_GETLBTEXT, (WPARAM)index, reinterpret_cast<LPARAM>(text.data()));
            return toWide(text.data());
        }
        std::vector<wchar_t> text((size_t)length + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, (WPARAM)index, reinterpret_cast<LPARAM>(text.data()));
        return text.data();
    }

    MSIHANDLE m_install;
    bool m_ansi;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
};

}  // namespace

int runPrinterDialog(MSIHANDLE install) {
    if (!userInterfaceAllowed(install)) {
        logInformation(install,
                       L"Printer Configuration: the printer to take over cannot be chosen without the "
                       L"installer's user interface");
        return 0;
    }
    PrinterDialog dialog(install, spooler::ansiSystem());
    return dialog.run();
}
