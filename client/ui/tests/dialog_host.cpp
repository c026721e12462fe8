// kelo-dialog-host.exe: shows one of the client's dialogs, for the GUI tests and the
// screenshots, and prints what the dialog returned.
//   kelo-dialog-host [--language N] [--root DIR] login [--user U] [--password P] [--remember]
//   kelo-dialog-host ... choice --title T --prompt P [--no-default] [--no-cancel] answer...
//   kelo-dialog-host ... settings [--printer NAME=IP]...
//   kelo-dialog-host ... loading [--close-after MS]
// --language overrides the stored language setting; --root is the folder whose
// "Localization" folder holds the language files (default: this program's folder).
// Settings printers get their driver data below the key
// HKEY_CURRENT_USER\Software\KeloTest\DialogHost, written here and removed at the end.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "choice_dialog.h"
#include "client_settings.h"
#include "lab_registry.h"
#include "lab_text.h"
#include "loading_window.h"
#include "localization.h"
#include "login_dialog.h"
#include "settings_dialog.h"
#include "windows_util.h"

namespace {

const wchar_t kPrinterDataKey[] = L"Software\\KeloTest\\DialogHost";

class HostPrinters : public PrinterCatalog {
public:
    explicit HostPrinters(std::vector<std::pair<std::wstring, std::wstring>> printers)
        : m_printers(std::move(printers)) {
        for (const auto& printer : m_printers) {
            HKEY key = nullptr;
            std::wstring path = std::wstring(kPrinterDataKey) + L"\\" + printer.first;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr) != ERROR_SUCCESS)
                continue;
            std::string ip = lab::toAnsi(printer.second);
            RegSetValueExA(key, "keloServerIp", 0, REG_SZ, reinterpret_cast<const BYTE*>(ip.c_str()),
                           (DWORD)ip.size() + 1);
            RegCloseKey(key);
        }
    }
    ~HostPrinters() override {
        lab::deleteRegistryTree(HKEY_CURRENT_USER, kPrinterDataKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KeloTest");  // only when nothing else is below it
    }

    std::vector<std::wstring> printerNames() override {
        std::vector<std::wstring> names;
        for (const auto& printer : m_printers) names.push_back(printer.first);
        return names;
    }
    std::wstring driverDataPath(const std::wstring& printer) override {
        return std::wstring(L"HKEY_CURRENT_USER\\") + kPrinterDataKey + L"\\" + printer;
    }

private:
    std::vector<std::pair<std::wstring, std::wstring>> m_printers;
};

struct Options {
    std::optional<long> language;
    std::wstring root = programFolder();
    std::wstring dialog;
    std::vector<std::wstring> rest;
};

Options parse(const std::vector<std::wstring>& args) {
    Options options;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == L"--language" && i + 1 < args.size())
            options.language = std::stol(args[++i]);
        else if (args[i] == L"--root" && i + 1 < args.size())
            options.root = args[++i];
        else
            break;
    }
    if (i < args.size()) options.dialog = args[i++];
    options.rest.assign(args.begin() + (long)i, args.end());
    return options;
}

std::wstring valueAfter(const std::vector<std::wstring>& args, const std::wstring& name) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == name) return args[i + 1];
    return L"";
}

bool has(const std::vector<std::wstring>& args, const std::wstring& name) {
    return std::find(args.begin(), args.end(), name) != args.end();
}

void say(const std::wstring& line) {
    std::string text = lab::toUtf8(line) + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

int runLogin(C_localization& localization, const std::vector<std::wstring>& args) {
    frmLogin dialog(localization);
    if (has(args, L"--user")) {
        auto information = std::make_shared<C_userInformation>();
        information->loginName = valueAfter(args, L"--user");
        information->loginPassword = valueAfter(args, L"--password");
        dialog.setUserInformation(information);
    }
    dialog.setRememberPassword(has(args, L"--remember"));
    bool ok = dialog.doModal();
    const auto& information = dialog.userInformation();
    say(L"result=" + std::to_wstring(ok ? 1 : 0) + L" user=" + (information ? information->loginName : L"") +
        L" password=" + (information ? information->loginPassword : L"") + L" remember=" +
        std::to_wstring(dialog.rememberPassword() ? 1 : 0));
    return ok ? 1 : 0;
}

int runChoice(C_localization& localization, const std::vector<std::wstring>& args) {
    std::vector<std::wstring> answers;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--title" || args[i] == L"--prompt") {
            ++i;
            continue;
        }
        if (args[i].rfind(L"--", 0) == 0) continue;
        answers.push_back(args[i]);
    }
    short result = showChoice(localization, valueAfter(args, L"--title"), valueAfter(args, L"--prompt"), answers,
                              has(args, L"--no-default"), !has(args, L"--no-cancel"));
    say(L"result=" + std::to_wstring(result));
    return result + 1;
}

int runSettings(C_localization& localization, const std::vector<std::wstring>& args) {
    std::vector<std::pair<std::wstring, std::wstring>> printers;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != L"--printer") continue;
        const std::wstring& spec = args[++i];
        size_t equals = spec.rfind(L'=');
        printers.emplace_back(spec.substr(0, equals), equals == std::wstring::npos ? L"" : spec.substr(equals + 1));
    }
    HostPrinters catalog(printers);
    frmSettings dialog(localization, &catalog);
    dialog.doDlg();
    say(L"result=closed language=" + std::to_wstring(readLanguageSetting()));
    return 0;
}

int runLoading(C_localization& localization, const std::vector<std::wstring>& args) {
    frmLoading window(localization);
    window.show();
    std::wstring closeAfter = valueAfter(args, L"--close-after");
    if (!closeAfter.empty()) SetTimer(nullptr, 0, (UINT)std::stoul(closeAfter), nullptr);
    MSG message;
    // Until the window goes, WM_QUIT, or the thread's timer of --close-after.
    while (window.hwnd() && GetMessageW(&message, nullptr, 0, 0) > 0 && (message.message != WM_TIMER || message.hwnd)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    window.close();
    say(L"result=closed");
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    Options options = parse(lab::commandLineArguments());
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 100;
    int code = 100;
    {
        std::optional<long> language = options.language;
        C_localization localization(options.root, [language] { return language ? *language : readLanguageSetting(); });
        try {
            localization.loadLclzData();
        } catch (...) {
            say(L"language cannot be loaded");
        }
        if (options.dialog == L"login") code = runLogin(localization, options.rest);
        if (options.dialog == L"choice") code = runChoice(localization, options.rest);
        if (options.dialog == L"settings") code = runSettings(localization, options.rest);
        if (options.dialog == L"loading") code = runLoading(localization, options.rest);
    }
    CoUninitialize();
    return code;
}
