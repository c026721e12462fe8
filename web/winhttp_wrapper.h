#pragma once
// The component's own HTTP client on WinHTTP: one wrapper serves one request or one
// upload and is then destroyed, so nothing (session, connection, cookie) carries over
// from one request to the next. Every failure throws cERROR_MSG 1000, most of them
// "<step>: error=<system error>".
#include <windows.h>
#include <winhttp.h>

#include <cstdint>
#include <string>
#include <utility>

#include "handles.h"
#include "multipart_form.h"

namespace web {

// Certificate errors that every secure request ignores (unknown authority, invalid
// date, name mismatch): the provider's servers may run with certificates of their own.
constexpr DWORD kIgnoredCertificateErrors =
    SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
static_assert(kIgnoredCertificateErrors == 0x3100, "the provider's servers rely on exactly these flags");

// The largest answer body read from the provider: far above any real answer (a few
// kilobytes), far below what would strain the client's memory.
constexpr DWORD kMaximumAnswerBytes = 16 * 1024 * 1024;

// Told about an upload's progress: the total byte count, then each count written.
class UploadProgressSink {
public:
    virtual void start(uint64_t totalBytes) = 0;
    virtual void advance(uint64_t bytesWritten) = 0;

protected:
    ~UploadProgressSink() = default;
};

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { WinHttpCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

// The parts of a URL.
struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_HTTP;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;
    std::wstring extra;  // the query, with its "?"
};

// Where a request for the cracked URL goes: port 0 means the scheme's default port.
struct RequestTarget {
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring objectName;  // path and query
    DWORD openFlags = 0;      // WinHttpOpenRequest flags
};
RequestTarget requestTargetOf(const UrlParts& parts);

class WinHTTPWrapper {
public:
    static const wchar_t kUserAgent[];

    WinHTTPWrapper();
    ~WinHTTPWrapper() = default;
    WinHTTPWrapper(const WinHTTPWrapper&) = delete;
    WinHTTPWrapper& operator=(const WinHTTPWrapper&) = delete;

    UrlParts crackUrl(const std::wstring& url);
    // (connection, request) for the URL and verb, with the security flags set.
    std::pair<InternetHandle, InternetHandle> establishRequestConnection(const std::wstring& url, const wchar_t* verb);
    // The response body. Its bytes are read in the system ANSI code page, or as UTF-8
    // when the answer says so in its Content-Type. The status code is not examined; a
    // body of more than kMaximumAnswerBytes is a failure, read no further.
    std::wstring getResponse(HINTERNET request);
    // A form post of the text (sent in UTF-8); returns the response body.
    std::wstring httpPost(const std::wstring& url, const std::wstring& body);
    // The multipart upload of a file with the form fields; the response body is not read,
    // and an answer whose status is not 2xx is a failure.
    void httpPostFile(const std::wstring& url, const FormFields& fields, const std::wstring& filePath,
                      const std::wstring& contentType, UploadProgressSink* sink);
    void sendDataChunk(HINTERNET request, const void* bytes, DWORD length, UploadProgressSink* sink);

    bool sessionOpen() const { return m_session.valid(); }
    DWORD lastError() const { return m_lastError; }

    // The size of the blocks the upload file is read and written in.
    static const DWORD kFileBlockSize = 10240;

private:
    [[noreturn]] void fail(const char* label);
    [[noreturn]] void fail(const char* label, DWORD error);

    InternetHandle m_session;
    DWORD m_lastError = 0;
};

}  // namespace web
