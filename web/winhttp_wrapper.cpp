#include "winhttp_wrapper.h"

#include <algorithm>
#include <cwchar>
#include <vector>

#include "error_msg.h"
#include "file.h"
#include "text_convert.h"

namespace web {

const wchar_t WinHTTPWrapper::kUserAgent[] = L"Orbel HTTP Client";

namespace {

struct ProxySettings {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    ~ProxySettings() {
        GlobalFree(config.lpszAutoConfigUrl);
        GlobalFree(config.lpszProxy);
        GlobalFree(config.lpszProxyBypass);
    }
};

// The charset parameter of a Content-Type header names UTF-8.
bool declaresUtf8(HINTERNET request) {
    wchar_t type[256] = {};
    DWORD size = sizeof type;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_TYPE, WINHTTP_HEADER_NAME_BY_INDEX, type, &size,
                             WINHTTP_NO_HEADER_INDEX))
        return false;
    _wcslwr(type);
    const wchar_t* charset = wcsstr(type, L"charset=");
    if (!charset) return false;
    charset += 8;
    if (*charset == L'"') charset++;
    return wcsncmp(charset, L"utf-8", 5) == 0;
}

}  // namespace

RequestTarget requestTargetOf(const UrlParts& parts) {
    RequestTarget target;
    bool secure = parts.scheme == INTERNET_SCHEME_HTTPS;
    target.host = parts.host;
    target.port = parts.port ? parts.port : (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
    target.objectName = parts.path + parts.extra;
    target.openFlags = WINHTTP_FLAG_ESCAPE_PERCENT | (secure ? WINHTTP_FLAG_SECURE : 0);
    return target;
}

WinHTTPWrapper::WinHTTPWrapper() {
    ProxySettings proxy;
    bool namedProxy =
        WinHttpGetIEProxyConfigForCurrentUser(&proxy.config) && proxy.config.lpszProxy && *proxy.config.lpszProxy;
    if (namedProxy) {
        m_session.reset(
            WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.config.lpszProxy,
                        proxy.config.lpszProxyBypass ? proxy.config.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0));
    } else {
        m_session.reset(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0));
    }
    if (!m_session) m_lastError = GetLastError();
}

void WinHTTPWrapper::fail(const char* label) { fail(label, GetLastError()); }

void WinHTTPWrapper::fail(const char* label, DWORD error) {
    m_lastError = error;
    throw cERROR_MSG(BV_ERR_GENERAL, "%s: error=%d", label, (int)error);
}

UrlParts WinHTTPWrapper::crackUrl(const std::wstring& url) {
    URL_COMPONENTS components = {};
    components.dwStructSize = sizeof components;
    components.dwSchemeLength = (DWORD)-1;
    components.dwHostNameLength = (DWORD)-1;
    components.dwUrlPathLength = (DWORD)-1;
    components.dwExtraInfoLength = (DWORD)-1;
    if (!WinHttpCrackUrl(url.c_str(), (DWORD)url.size(), 0, &components)) fail("WinHTTPWrapper::crackUrl");
    UrlParts parts;
    parts.scheme = components.nScheme;
    parts.host.assign(components.lpszHostName ? components.lpszHostName : L"", components.dwHostNameLength);
    parts.port = components.nPort;
    parts.path.assign(components.lpszUrlPath ? components.lpszUrlPath : L"", components.dwUrlPathLength);
    parts.extra.assign(components.lpszExtraInfo ? components.lpszExtraInfo : L"", components.dwExtraInfoLength);
    return parts;
}

std::pair<InternetHandle, InternetHandle> WinHTTPWrapper::establishRequestConnection(const std::wstring& url,
                                                                                     const wchar_t* verb) {
    if (!m_session) fail("WinHTTPWrapper::establishRequestConnection 1");
    RequestTarget target = requestTargetOf(crackUrl(url));

    InternetHandle connection(WinHttpConnect(m_session.get(), target.host.c_str(), target.port, 0));
    if (!connection) fail("WinHTTPWrapper::httpGet::WinHttpConnect");
    InternetHandle request(WinHttpOpenRequest(connection.get(), verb, target.objectName.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, target.openFlags));
    if (!request) fail("WinHTTPWrapper::httpGet::WinHttpOpenRequest");
    DWORD flags = kIgnoredCertificateErrors;
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags))
        fail("WinHTTPWrapper::httpGet::WinHttpSendRequest");
    return {std::move(connection), std::move(request)};
}

std::wstring WinHTTPWrapper::getResponse(HINTERNET request) {
    if (!WinHttpReceiveResponse(request, nullptr)) fail("WinHTTPWrapper::getResponse 1");
    std::string body;
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) fail("WinHTTPWrapper::getResponse 2");
        if (available == 0) break;
        if (body.size() + available > kMaximumAnswerBytes)
            fail("WinHTTPWrapper::getResponse - the answer is larger than 16777216 bytes", ERROR_MORE_DATA);
        size_t before = body.size();
        body.resize(before + available);
        DWORD read = 0;
        if (!WinHttpReadData(request, &body[before], available, &read)) fail("WinHTTPWrapper::getResponse 3");
        body.resize(before + read);
    }
    return toWide(body, declaresUtf8(request) ? CP_UTF8 : CP_ACP);
}

std::wstring WinHTTPWrapper::httpPost(const std::wstring& url, const std::wstring& body) {
    auto handles = establishRequestConnection(url, L"POST");
    HINTERNET request = handles.second.get();
    std::string bytes = convertUnicodeToUtf8(body);
    if (!WinHttpSendRequest(request, L"Content-type: application/x-www-form-urlencoded", (DWORD)-1L,
                            bytes.empty() ? WINHTTP_NO_REQUEST_DATA : &bytes[0], (DWORD)bytes.size(),
                            (DWORD)bytes.size(), 0))
        fail("WinHTTPWrapper::httpGet::httpPost");
    return getResponse(request);
}

void WinHTTPWrapper::httpPostFile(const std::wstring& url, const FormFields& fields, const std::wstring& filePath,
                                  const std::wstring& contentType, UploadProgressSink* sink) {
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(filePath.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_lastError = GetLastError();
        throw cERROR_MSG(BV_ERR_GENERAL, "WinHTTPWrapper::httpPostFile->file %s does not exist",
                         toAnsi(filePath).c_str());
    }

    auto handles = establishRequestConnection(url, L"POST");
    HINTERNET request = handles.second.get();
    std::string tail = multipartFieldsAndClosing(fields);
    std::string head = multipartHead(filePath, contentType);
    uint64_t fileSize = ((uint64_t)attributes.nFileSizeHigh << 32) | attributes.nFileSizeLow;
    uint64_t total = head.size() + fileSize + tail.size();
    if (total > 0xFFFFFFFFull) fail("WinHTTPWrapper::httpPostFile 1", ERROR_FILE_TOO_LARGE);

    std::wstring header = multipartContentTypeHeader();
    if (!WinHttpSendRequest(request, header.c_str(), (DWORD)-1L, WINHTTP_NO_REQUEST_DATA, 0, (DWORD)total, 0))
        fail("WinHTTPWrapper::httpPostFile 1");
    if (sink) sink->start(total);
    sendDataChunk(request, head.data(), (DWORD)head.size(), sink);

    FileHandle file(CreateFileW(filePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        m_lastError = GetLastError();
        throw cERROR_MSG(BV_ERR_GENERAL, "WinHTTPWrapper::httpPostFile(open file)->%d", (int)m_lastError);
    }
    // Only the announced size is sent, even when the file grows meanwhile.
    std::vector<char> block(kFileBlockSize);
    for (uint64_t sent = 0; sent < fileSize;) {
        DWORD wanted = (DWORD)std::min<uint64_t>(kFileBlockSize, fileSize - sent);
        DWORD read = 0;
        if (!ReadFile(file.get(), block.data(), wanted, &read, nullptr)) {
            m_lastError = GetLastError();
            throw cERROR_MSG(BV_ERR_GENERAL, "WinHTTPWrapper::httpPostFile(read file)->%d", (int)m_lastError);
        }
        if (read == 0) {
            m_lastError = ERROR_HANDLE_EOF;
            throw cERROR_MSG(BV_ERR_GENERAL,
                             "WinHTTPWrapper::httpPostFile(read file)->the file ended after %llu of %llu bytes",
                             (unsigned long long)sent, (unsigned long long)fileSize);
        }
        sendDataChunk(request, block.data(), read, sink);
        sent += read;
    }
    file.reset();

    sendDataChunk(request, tail.data(), (DWORD)tail.size(), sink);
    if (!WinHttpReceiveResponse(request, nullptr)) fail("WinHTTPWrapper::httpPostFile");
    // An endpoint that refuses the file (an error page, a full disk) has not taken it.
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        fail("WinHTTPWrapper::httpPostFile status");
    if (status < 200 || status > 299) {
        m_lastError = ERROR_INVALID_DATA;
        throw cERROR_MSG(BV_ERR_GENERAL, "WinHTTPWrapper::httpPostFile - the server answered with status %lu",
                         (unsigned long)status);
    }
}

void WinHTTPWrapper::sendDataChunk(HINTERNET request, const void* bytes, DWORD length, UploadProgressSink* sink) {
    const char* rest = static_cast<const char*>(bytes);
    while (length > 0) {
        DWORD written = 0;
        if (!WinHttpWriteData(request, rest, length, &written)) fail("WinHTTPWrapper::sendDataChunk");
        if (written == 0) fail("WinHTTPWrapper::sendDataChunk", ERROR_WRITE_FAULT);
        rest += written;
        length -= written;
        if (sink) sink->advance(written);
    }
}

}  // namespace web
