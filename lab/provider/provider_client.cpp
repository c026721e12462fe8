#include <winsock2.h>
#include <windows.h>
#include <winhttp.h>

#include "provider_client.h"

#include "error_msg.h"
#include "handles.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <map>

// Where the build found the interpreter and the stand-in (Unix paths).
#ifndef KELO_PROVIDER_PYTHON
#define KELO_PROVIDER_PYTHON "/usr/bin/python3"
#endif
#ifndef KELO_PROVIDER_SCRIPT
#define KELO_PROVIDER_SCRIPT "provider.py"
#endif

namespace lab {
namespace {

struct WinHttpHandleTraits {
    using Handle = HINTERNET;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { WinHttpCloseHandle(h); }
};
using WinHttpHandle = UniqueHandle<WinHttpHandleTraits>;

struct SocketTraits {
    using Handle = SOCKET;
    static Handle invalid() { return INVALID_SOCKET; }
    static void close(Handle h) { closesocket(h); }
};
using SocketHandle = UniqueHandle<SocketTraits>;

const unsigned long kSecurityFlagsIgnoreAll = 0x3100;  // unknown CA, bad date, wrong name
const unsigned long kStartTimeoutMs = 30000;
const unsigned long kStopTimeoutMs = 15000;

std::wstring environmentOr(const wchar_t* name, const std::wstring& fallback) {
    wchar_t buffer[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableW(name, buffer, sizeof buffer / sizeof buffer[0]);
    return length > 0 && length < sizeof buffer / sizeof buffer[0] ? std::wstring(buffer, length) : fallback;
}

// Wine: its kernel32 converts between Windows and Unix paths.
std::string unixPath(const std::wstring& windowsPath) {
    typedef char*(CDECL * ToUnix)(const WCHAR*);
    auto toUnix = (ToUnix)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: the stand-in runs only under Wine");
    char* converted = toUnix(windowsPath.c_str());
    if (!converted) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: no Unix path for %ls", windowsPath.c_str());
    std::string result(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

std::wstring windowsPath(const std::wstring& unixPathText) {
    typedef WCHAR*(CDECL * ToDos)(const char*);
    auto toDos = (ToDos)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
    if (!toDos) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: the stand-in runs only under Wine");
    WCHAR* converted = toDos(toUtf8(unixPathText).c_str());
    if (!converted) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: no Windows path for %ls", unixPathText.c_str());
    std::wstring result(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

std::wstring quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

std::map<std::string, std::string> readKeyValueFile(const std::wstring& path) {
    std::map<std::string, std::string> values;
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return values;
    char buffer[4096];
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr)) return values;
    std::string text(buffer, read);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return values;
}

}  // namespace

HttpReply httpRequest(const std::wstring& verb, const std::wstring& url, const std::string& body,
                      const std::wstring& headers, unsigned long timeoutMs) {
    HttpReply reply;
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = (DWORD)-1;
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
        reply.error = GetLastError();
        return reply;
    }
    std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                          std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

    WinHttpHandle session(
        WinHttpOpen(L"Kelo lab", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    WinHttpHandle connection(session ? WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0) : nullptr);
    WinHttpHandle request(connection ? WinHttpOpenRequest(connection.get(), verb.c_str(), object.c_str(), nullptr,
                                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                          secure ? WINHTTP_FLAG_SECURE : 0)
                                     : nullptr);
    if (!request) {
        reply.error = GetLastError();
        return reply;
    }
    WinHttpSetTimeouts(request.get(), (int)timeoutMs, (int)timeoutMs, (int)timeoutMs, (int)timeoutMs);
    DWORD flags = kSecurityFlagsIgnoreAll;
    if (secure) WinHttpSetOption(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    BOOL sent = WinHttpSendRequest(request.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                                   headers.empty() ? 0 : (DWORD)-1L, (void*)body.data(), (DWORD)body.size(),
                                   (DWORD)body.size(), 0);
    if (!sent || !WinHttpReceiveResponse(request.get(), nullptr)) {
        reply.error = GetLastError();
        return reply;
    }
    DWORD status = 0, size = sizeof status;
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    reply.status = status;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.get(), &available)) {
            reply.error = GetLastError();
            break;
        }
        if (available == 0) break;
        std::string block(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), &block[0], available, &read)) {
            reply.error = GetLastError();
            break;
        }
        reply.body.append(block, 0, read);
    }
    return reply;
}

const wchar_t ProviderStandIn::kServicePath[] = L"/brisvel/versions/250/site/kelo/services/web/printdriver/default.asp";
const wchar_t ProviderStandIn::kUploadPath[] = L"/brisvel/versions/250/Comp/ISAPI/bvupload.dll";

// The open connection to /_lab/lifeline; the stand-in stops when it closes.
struct ProviderStandIn::Lifeline {
    bool winsockStarted = false;
    SocketHandle socket;
    ~Lifeline() {
        socket.reset();
        if (winsockStarted) WSACleanup();
    }
};

ProviderStandIn::ProviderStandIn(const ProviderOptions& options) : m_lifeline(new Lifeline) {
    try {
        start(options);
    } catch (...) {
        stop();
        throw;
    }
}

ProviderStandIn::~ProviderStandIn() { stop(); }

void ProviderStandIn::start(const ProviderOptions& options) {
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: no temporary folder");
    wchar_t name[64];
    swprintf(name, 64, L"kelo-provider-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    m_stateFolder = std::wstring(temp) + name;
    if (!CreateDirectoryW(m_stateFolder.c_str(), nullptr))
        throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: cannot create %ls (%lu)", m_stateFolder.c_str(),
                         GetLastError());

    std::wstring python = environmentOr(L"KELO_PROVIDER_PYTHON", fromUtf8(KELO_PROVIDER_PYTHON));
    std::wstring script = environmentOr(L"KELO_PROVIDER_SCRIPT", fromUtf8(KELO_PROVIDER_SCRIPT));
    std::wstring command = quoted(L"python3") + L" " + quoted(script) + L" --state-dir " +
                           quoted(fromUtf8(unixPath(m_stateFolder))) +
                           L" --detach --lifeline-timeout 60 --max-lifetime 3600";
    if (environmentOr(L"KELO_PROVIDER_KEEP", L"").empty()) command += L" --cleanup";
    if (!options.tls) command += L" --no-tls";
    if (options.extraPort) command += L" --extra-port 0";
    if (!options.protocol.empty()) command += L" --protocol " + quoted(fromUtf8(options.protocol));
    for (const auto& user : options.users) command += L" --user " + quoted(fromUtf8(user.first + ":" + user.second));

    // Wine: CreateProcess runs a Unix program named by its Windows path. It reports
    // success without a process handle; the ports file and the lifeline stand in.
    std::wstring pythonPath = windowsPath(python);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> commandLine(command.begin(), command.end());
    commandLine.push_back(L'\0');
    if (!CreateProcessW(pythonPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: cannot start %ls (%lu)", pythonPath.c_str(), GetLastError());
    KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    m_running = true;

    if (!waitForPorts(kStartTimeoutMs))
        throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: the stand-in did not start (see %ls\\provider.log)",
                         m_stateFolder.c_str());
    HttpReply ping = httpRequest(L"GET", url(L"/_lab/ping"));
    if (ping.status != 200)
        throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: no answer on port %d (%lu)", m_port, ping.error);
    openLifeline();
}

bool ProviderStandIn::waitForPorts(unsigned long timeoutMs) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < timeoutMs) {
        auto values = readKeyValueFile(m_stateFolder + L"\\ports");
        if (!values["port"].empty()) {
            m_port = std::atoi(values["port"].c_str());
            m_extraPort = std::atoi(values["extra_port"].c_str());
            return m_port > 0;
        }
        Sleep(50);
    }
    return false;
}

void ProviderStandIn::openLifeline() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: no Winsock");
    m_lifeline->winsockStarted = true;
    m_lifeline->socket.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons((u_short)m_port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!m_lifeline->socket || connect(m_lifeline->socket.get(), (sockaddr*)&address, sizeof address) != 0)
        throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: no lifeline (%d)", WSAGetLastError());
    const char request[] = "GET /_lab/lifeline HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    send(m_lifeline->socket.get(), request, sizeof request - 1, 0);
    // The answer's head means the stand-in holds the lifeline.
    std::string head;
    char buffer[256];
    while (head.find("\r\n\r\n") == std::string::npos) {
        int received = recv(m_lifeline->socket.get(), buffer, sizeof buffer, 0);
        if (received <= 0) throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: the lifeline was refused");
        head.append(buffer, received);
    }
}

void ProviderStandIn::stop() {
    if (!m_running) return;
    m_running = false;
    if (m_port != 0) httpRequest(L"POST", url(L"/_lab/shutdown"), std::string(), std::wstring(), 5000);
    m_lifeline->socket.reset();
    // The stand-in removes its ports file (or its whole folder) as it ends.
    DWORD started = GetTickCount();
    while (GetFileAttributesW((m_stateFolder + L"\\ports").c_str()) != INVALID_FILE_ATTRIBUTES &&
           GetTickCount() - started < kStopTimeoutMs)
        Sleep(50);
}

std::wstring ProviderStandIn::url(const std::wstring& path, bool secure) const {
    return (secure ? L"https://127.0.0.1:" : L"http://127.0.0.1:") + std::to_wstring(m_port) + path;
}

std::string ProviderStandIn::controlRaw(const std::wstring& verb, const std::string& route,
                                        const std::string& body) const {
    HttpReply reply = httpRequest(verb, url(L"/_lab/" + fromUtf8(route)), body,
                                  body.empty() ? std::wstring() : L"Content-Type: application/json");
    if (reply.status != 200)
        throw cERROR_MSG(BV_ERR_GENERAL, "ProviderStandIn: %ls /_lab/%s failed: status %lu, error %lu, %s",
                         verb.c_str(), route.c_str(), reply.status, reply.error, reply.body.c_str());
    return reply.body;
}

JsonValue ProviderStandIn::control(const std::wstring& verb, const std::string& route, const std::string& body) const {
    return JsonValue::parse(controlRaw(verb, route, body));
}

void ProviderStandIn::script(const std::string& entryJson) { control(L"POST", "script", entryJson); }

void ProviderStandIn::failMethod(const std::string& method, const std::string& code, const std::string& message,
                                 int times) {
    std::string entry =
        "{\"method\":" + jsonQuote(method) + ",\"error\":" + jsonQuote(code) + ",\"message\":" + jsonQuote(message);
    if (times > 0) entry += ",\"times\":" + std::to_string(times);
    script(entry + "}");
}

void ProviderStandIn::answerMethod(const std::string& method, const std::string& fieldsJson, int times) {
    std::string entry = "{\"method\":" + jsonQuote(method) + ",\"answer\":" + fieldsJson;
    if (times > 0) entry += ",\"times\":" + std::to_string(times);
    script(entry + "}");
}

void ProviderStandIn::setUsers(const std::vector<std::pair<std::string, std::string>>& users) {
    std::string json = "{";
    for (const auto& user : users) {
        if (json.size() > 1) json += ",";
        json += jsonQuote(user.first) + ":" + jsonQuote(user.second);
    }
    control(L"POST", "users", json + "}");
}

void ProviderStandIn::settings(const std::string& json) { control(L"POST", "settings", json); }

void ProviderStandIn::reset() { control(L"POST", "reset"); }

void ProviderStandIn::clearRecords() { control(L"POST", "clear"); }

JsonValue ProviderStandIn::requests(const std::string& method) const {
    return control(L"GET", method.empty() ? "requests" : "requests?method=" + method);
}

JsonValue ProviderStandIn::uploads() const { return control(L"GET", "uploads"); }

std::string ProviderStandIn::uploadedFile(size_t upload, bool stored, size_t file) const {
    return controlRaw(
        L"GET",
        "uploads/" + std::to_string(upload) + (stored ? "/stored" : "/received") + "?file=" + std::to_string(file),
        std::string());
}

std::string ProviderStandIn::requestBody(long seq) const {
    return controlRaw(L"GET", "requests/" + std::to_string(seq) + "/body", std::string());
}

}  // namespace lab
