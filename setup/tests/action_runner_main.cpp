// setup-action-runner.exe: calls one custom action of KeloSetup.dll (from this program's
// folder) the way the Windows Installer does, with a package made for the run.
//
//   setup-action-runner.exe <export> [NAME=VALUE]... [--unset NAME]... [--no-handle]
//                           [--windows-duplicate-rule] [--refuse <call>=<error>]...
//
// Reports on standard output, one line each, TAB separated:
//   platform <code>                   the platform code this process sees
//   spooler <call> <field=value>...   every spooler call of the action (spooler_recorder.h)
//   dialog <caption> <message> <icons> every dialog or message box, when it closes; icons:
//                                     "<big width>x<height> <small width>x<height>" (0x0: none)
//   installer <error|info> <text>     every error or information message sent to the installer
//   result <code>                     the action's result, which is also the exit code
// The package's UILevel is 5 (full user interface) unless the arguments set it.
#include <windows.h>

#include <cstdio>
#include <set>

#include "error_msg.h"
#include "installer_package.h"
#include "lab_text.h"
#include "platform.h"
#include "spooler_recorder.h"

namespace {

using CustomAction = UINT(WINAPI*)(MSIHANDLE);

std::set<HWND> dialogs;

void say(const std::wstring& line) {
    printf("%s\n", lab::toUtf8(line).c_str());
    fflush(stdout);
}

std::wstring windowText(HWND window) {
    wchar_t text[2048] = {};
    if (window) GetWindowTextW(window, text, 2048);
    return text;
}

std::wstring escaped(const std::wstring& text) {
    std::wstring result;
    for (wchar_t c : text) {
        if (c == L'\n')
            result += L"\\n";
        else if (c == L'\t')
            result += L"\\t";
        else if (c != L'\r')
            result += c;
    }
    return result;
}

std::wstring iconSize(HWND window, WPARAM which) {
    int width = 0, height = 0;
    ICONINFO info = {};
    HICON icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
    if (icon && GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
            width = bitmap.bmWidth;
            height = bitmap.bmHeight;
        }
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    return std::to_wstring(width) + L"x" + std::to_wstring(height);
}

LRESULT CALLBACK watchDialogs(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) == L"#32770") dialogs.insert(window);
    } else if (code == HCBT_DESTROYWND && dialogs.erase(window)) {
        const int kMessageText = 0xFFFF;
        say(L"dialog\t" + escaped(windowText(window)) + L"\t" + escaped(windowText(GetDlgItem(window, kMessageText))) +
            L"\t" + iconSize(window, ICON_BIG) + L" " + iconSize(window, ICON_SMALL));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int WINAPI reportInstallerMessage(LPVOID, UINT type, LPCWSTR message) {
    UINT kind = type & 0xFF000000;
    if (message && (kind == INSTALLMESSAGE_ERROR || kind == INSTALLMESSAGE_INFO))
        say(std::wstring(L"installer\t") + (kind == INSTALLMESSAGE_ERROR ? L"error\t" : L"info\t") + escaped(message));
    return 0;
}

int run(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) {
        fprintf(stderr, "usage: setup-action-runner <export> [NAME=VALUE]... [options]\n");
        return 2;
    }
    TestPackage package;
    package.setProperty(L"UILevel", L"5");
    MsiSetExternalUIW(reportInstallerMessage, INSTALLLOGMODE_ERROR | INSTALLLOGMODE_INFO, nullptr);
    spoolerrecorder::Options recorderOptions;
    bool withHandle = true;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--unset" && i + 1 < arguments.size()) {
            package.removeProperty(arguments[++i]);
        } else if (argument == L"--no-handle") {
            withHandle = false;
        } else if (argument == L"--windows-duplicate-rule") {
            recorderOptions.windowsDuplicateRule = true;
        } else if (argument == L"--refuse" && i + 1 < arguments.size()) {
            const std::wstring& refusal = arguments[++i];
            size_t equals = refusal.find(L'=');
            recorderOptions.refusals[refusal.substr(0, equals)] = wcstoul(refusal.c_str() + equals + 1, nullptr, 10);
        } else if (size_t equals = argument.find(L'='); equals != std::wstring::npos) {
            package.setProperty(argument.substr(0, equals), argument.substr(equals + 1));
        } else {
            fprintf(stderr, "unknown argument %s\n", lab::toUtf8(argument).c_str());
            return 2;
        }
    }

    HMODULE setup = LoadLibraryW(L"KeloSetup.dll");
    if (!setup) throw cERROR_MSG(BV_ERR_GENERAL, "Cannot load KeloSetup.dll: %lu", GetLastError());
    spoolerrecorder::install(setup, recorderOptions);
    auto action = reinterpret_cast<CustomAction>(
        reinterpret_cast<void*>(GetProcAddress(setup, lab::toAnsi(arguments[0]).c_str())));
    if (!action) throw cERROR_MSG(BV_ERR_GENERAL, "KeloSetup.dll has no export %s", lab::toUtf8(arguments[0]).c_str());

    HHOOK hook = SetWindowsHookExW(WH_CBT, watchDialogs, nullptr, GetCurrentThreadId());
    say(L"platform\t" + std::to_wstring(windowsVersionClass()));
    UINT result = action(withHandle ? package.handle() : 0);
    say(L"result\t" + std::to_wstring(result));
    if (hook) UnhookWindowsHookEx(hook);
    return (int)result;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    try {
        return run(lab::commandLineArguments());
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "setup-action-runner: %s\n", error.message);
        return 3;
    }
}
