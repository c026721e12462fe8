#include "browser_launch.h"

#include <windows.h>
#include <shellapi.h>

#include <cctype>

#include "credential_scramble.h"
#include "error_msg.h"
#include "handles.h"
#include "text_convert.h"
#include "url_text.h"

namespace web {

std::wstring browserParameterText(const std::wstring& url, const ScriptDictionary& parameters) {
    std::wstring text = browserAddress(url) + L"&encrypt=1";
    if (!parameters) return text;
    for (const Variant& key : parameters.keys()) {
        std::wstring name = key.toString();
        std::wstring value = parameters.item(key).toString();
        if (name == L"username" || name == L"password") value = scrambleCredential(value);
        text += L"&" + name + L"=" + toWide(percentEncodeForBrowser(convertUnicodeToUtf8(value)));
    }
    return text;
}

std::wstring findBrowser() {
    char folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        throw cERROR_MSG(BV_ERR_GENERAL, "openUrlInBrowser - no temporary folder (%lu)", GetLastError());
    std::string page = folder;
    if (!page.empty() && (page.back() == '\\' || page.back() == '/')) page.pop_back();
    page += "\\temphtm.HTM";

    FileHandle file(CreateFileA(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
        static const char kContent[] = "<HTML></HTML>";
        DWORD written = 0;
        WriteFile(file.get(), kContent, sizeof kContent - 1, &written, nullptr);
        file.reset();
    }

    char program[MAX_PATH] = {};
    INT_PTR found = (INT_PTR)FindExecutableA(page.c_str(), nullptr, program);
    if (found <= 32 || !program[0])
        throw cERROR_MSG(BV_ERR_GENERAL, "openUrlInBrowser - no program for %s (%d)", page.c_str(), (int)found);
    std::string path = program;
    std::string lower = path;
    for (char& c : lower) c = (char)tolower((unsigned char)c);
    size_t exe = lower.find(".exe");
    if (exe != std::string::npos) path.erase(exe + 4);
    return toWide(path);
}

void startBrowser(const std::wstring& program, const std::wstring& address) {
    // The address holds no quotation mark (browserAddress encodes it).
    std::wstring argument = L"\"" + address + L"\"";
    INT_PTR started =
        (INT_PTR)ShellExecuteW(nullptr, L"open", program.c_str(), argument.c_str(), nullptr, SW_SHOWNORMAL);
    if (started <= 32)
        throw cERROR_MSG(BV_ERR_GENERAL, "openUrlInBrowser - cannot start %s (%d)", toAnsi(program).c_str(),
                         (int)started);
}

}  // namespace web
