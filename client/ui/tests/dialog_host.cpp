// kelo-dialog-host.exe: shows one of the client's dialogs, for the GUI tests and the
// screenshots, and prints what the dialog returned.
//   kelo-dialog-host [--language N] [--root DIR] login [--user U] [--password P] [--remember]
//   kelo-dialog-host ... choice --title T --prompt P [--no-cancel] answer...
//   kelo-dialog-host ... settings [--printer NAME=IP]...
//   kelo-dialog-host ... loading
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

using Arguments = std::vector<std::wstring>;
const wchar_t kPrinterDataKey[] = L"Software\\KeloTest\\DialogHost";

class HostPrinters : public PrinterCatalog {
public:
    // Each "--printer NAME=IP" of the arguments.
    explicit HostPrinters(const Arguments& args) {
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] != L"--printer") continue;
            size_t equals = args[++i].rfind(L'=');
            m_names.push_back(args[i].substr(0, equals));
            lab::writeRegistryString(HKEY_CURRENT_USER, std::wstring(kPrinterDataKey) + L"\\" + m_names.back(),
                                     L"keloServerIp", equals == std::wstring::npos ? L"" : args[i].substr(equals + 1));
        }
    }
    ~HostPrinters() override {
        lab::deleteRegistryTree(HKEY_CURRENT_USER, kPrinterDataKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KeloTest");  // only when nothing else is below it
    }
    std::vector<std::wstring> printerNames() override { return m_names; }
    std::wstring driverDataPath(const std::wstring& printer) override {
        return std::wstring(L"HKEY_CURRENT_USER\\") + kPrinterDataKey + L"\\" + printer;
    }

private:
    std::vector<std::wstring> m_names;
};

std::wstring valueAfter(const Arguments& args, const std::wstring& name) {
    auto found = std::find(args.begin(), args.end(), name);
    return found == args.end() || found + 1 == args.end() ? L"" : *(found + 1);
}

bool has(const Arguments& args, const std::wstring& name) {
    return std::find(args.begin(), args.end(), name) != args.end();
}

void say(const std::wstring& line) {
    std::string text = lab::toUtf8(line) + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

int runLogin(C_localization& localization, const Arguments& args) {
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

int runChoice(C_localization& localization, const Arguments& args) {
    std::vector<std::wstring> answers;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == L"--title" || args[i] == L"--prompt")
            ++i;
        else if (args[i].rfind(L"--", 0) != 0)
            answers.push_back(args[i]);
    }
    short result = showChoice(localization, valueAfter(args, L"--title"), valueAfter(args, L"--prompt"), answers, false,
                              !has(args, L"--no-cancel"));
    say(L"result=" + std::to_wstring(result));
    return result + 1;
}

int runSettings(C_localization& localization, const Arguments& args) {
    HostPrinters catalog(args);
    frmSettings dialog(localization, &catalog);
    dialog.doDlg();
    say(L"result=closed language=" + std::to_wstring(readLanguageSetting()));
    return 0;
}

int runLoading(C_localization& localization) {
    frmLoading window(localization);
    window.show();
    MSG message;
    while (window.hwnd() && GetMessageW(&message, nullptr, 0, 0) > 0) {
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
    Arguments args = lab::commandLineArguments();
    std::optional<long> language;
    std::wstring root = programFolder();
    size_t i = 0;
    for (; i + 1 < args.size() && (args[i] == L"--language" || args[i] == L"--root"); i += 2)
        if (args[i] == L"--language")
            language = std::stol(args[i + 1]);
        else
            root = args[i + 1];
    const std::wstring dialog = i < args.size() ? args[i++] : L"";
    const Arguments rest(args.begin() + (long)i, args.end());
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 100;
    int code = 100;
    {
        C_localization localization(root, [language] { return language ? *language : readLanguageSetting(); });
        try {
            localization.loadLclzData();
        } catch (...) {
            say(L"language cannot be loaded");
        }
        if (dialog == L"login") code = runLogin(localization, rest);
        if (dialog == L"choice") code = runChoice(localization, rest);
        if (dialog == L"settings") code = runSettings(localization, rest);
        if (dialog == L"loading") code = runLoading(localization);
    }
    CoUninitialize();
    return code;
}
