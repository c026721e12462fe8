#pragma once
// Texts of addresses: the service URL built from a host, the scheme the server asks
// for, the server's root, picture addresses, and the three URL encodings the
// component offers. The byte-level encodings work on 8-bit text; the wide forms go
// through the system ANSI code page (embedded NULs survive).
#include <string>

namespace web {

extern const wchar_t kServicePage[];     // the provider's service page
extern const wchar_t kUploadEndpoint[];  // the provider's upload endpoint

// "http://" in front when the text names neither http nor https, and the service page
// appended when nothing follows the host.
std::wstring serviceUrlFor(const std::wstring& host);

// The URL with its scheme (and "://") replaced by the scheme the server announced
// ("http://" or "https://"), when their first seven characters differ. An answer that
// names no scheme leaves the URL as it is.
std::wstring applyProtocolScheme(const std::wstring& url, const std::wstring& scheme);

// Scheme and authority of a URL: everything before the first "/" after "://".
std::wstring serverRootOf(const std::wstring& url);

// Where a picture named by the server is loaded from: absolute http(s) addresses as
// given; paths on the service page's host over http, spaces in the file name as "%20";
// a bare name as given.
std::wstring pictureUrlFor(const std::wstring& serverUrl, const std::wstring& path);

// urlEncode / urlDecode of the component's interface.
std::string urlEncodeBytes(const std::string& text);
std::string urlDecodeBytes(const std::string& text);
std::wstring urlEncode(const std::wstring& text);
std::wstring urlDecode(const std::wstring& text);

// Percent-encoding of the values put into a browser's address.
std::string percentEncodeForBrowser(const std::string& bytes);

// The address of a page to open in the browser, made safe to hand over as one
// argument: only an http or https address with a plain host (and port) is accepted;
// every character that URLs do not hold (blanks, quotation marks, controls, non-ASCII)
// is percent-encoded in UTF-8. Anything else throws cERROR_MSG.
std::wstring browserAddress(const std::wstring& url);

// Conversions with the system ANSI code page that keep the whole length.
std::string ansiBytes(const std::wstring& text);
std::wstring fromAnsiBytes(const std::string& bytes);

}  // namespace web
