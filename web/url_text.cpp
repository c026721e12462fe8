#include "url_text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "error_msg.h"
#include "registry_pattern.h"
#include "text_convert.h"

namespace web {

const wchar_t kServicePage[] = L"/brisvel/versions/250/site/kelo/services/web/printdriver/default.asp";
const wchar_t kUploadEndpoint[] = L"/brisvel/versions/250/Comp/ISAPI/bvupload.dll";

namespace {

const char kHexLower[] = "0123456789abcdef";
const char kHexUpper[] = "0123456789ABCDEF";

bool isHttps(const std::wstring& url) { return matchRegistryPattern(url.c_str(), L"https://*"); }
bool isHttpOrHttps(const std::wstring& url) { return matchRegistryPattern(url.c_str(), L"http://*") || isHttps(url); }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendEscape(std::string& out, unsigned char byte, const char* digits) {
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

bool isAsciiAlphanumeric(wchar_t c) { return (c >= L'0' && c <= L'9') || ((c | 0x20) >= L'a' && (c | 0x20) <= L'z'); }

// A host name, an IPv4 address or a bracketed IPv6 address, optionally ":" and a port:
// nothing that could name other credentials, another port or no host at all.
bool isPlainAuthority(const std::wstring& authority) {
    size_t hostEnd = 0;
    if (!authority.empty() && authority[0] == L'[') {
        hostEnd = authority.find(L']');
        if (hostEnd == std::wstring::npos || hostEnd == 1) return false;
        for (size_t i = 1; i < hostEnd; i++)
            if (!iswxdigit(authority[i]) && authority[i] != L':' && authority[i] != L'.') return false;
        hostEnd++;
    } else {
        hostEnd = std::min(authority.find(L':'), authority.size());
        if (hostEnd == 0) return false;
        for (size_t i = 0; i < hostEnd; i++)
            if (!isAsciiAlphanumeric(authority[i]) && !wcschr(L".-_", authority[i])) return false;
    }
    if (hostEnd == authority.size()) return true;
    std::wstring port = authority.substr(hostEnd + 1);
    if (authority[hostEnd] != L':' || port.empty() || port.size() > 5) return false;
    for (wchar_t c : port)
        if (c < L'0' || c > L'9') return false;
    return true;
}

}  // namespace

std::wstring serviceUrlFor(const std::wstring& host) {
    std::wstring url = host;
    if (!isHttpOrHttps(url)) url = L"http://" + url;
    size_t hostStart = isHttps(url) ? 8 : 7;
    if (url.find(L'/', hostStart) == std::wstring::npos) url += kServicePage;
    return url;
}

std::wstring applyProtocolScheme(const std::wstring& url, const std::wstring& scheme) {
    size_t schemeEnd = scheme.find(L"://");
    if (schemeEnd == std::wstring::npos || schemeEnd + 3 != scheme.size()) return url;
    if (url.compare(0, 7, scheme, 0, 7) == 0) return url;
    size_t urlSchemeEnd = url.find(L"://");
    if (urlSchemeEnd == std::wstring::npos) return url;
    return scheme + url.substr(urlSchemeEnd + 3);
}

std::wstring serverRootOf(const std::wstring& url) {
    size_t hostStart = matchRegistryPattern(url.c_str(), L"https*") ? 8 : 7;
    size_t slash = url.size() > hostStart ? url.find(L'/', hostStart) : std::wstring::npos;
    return slash == std::wstring::npos ? url : url.substr(0, slash);
}

std::wstring pictureUrlFor(const std::wstring& serverUrl, const std::wstring& path) {
    if (isHttpOrHttps(path)) return path;
    size_t lastSlash = path.rfind(L'/');
    if (lastSlash == std::wstring::npos) return path;

    size_t authorityStart = serverUrl.find(L"://");
    authorityStart = authorityStart == std::wstring::npos ? 0 : authorityStart + 3;
    size_t authorityEnd = serverUrl.find(L'/', authorityStart);
    std::wstring authority = serverUrl.substr(
        authorityStart, authorityEnd == std::wstring::npos ? std::wstring::npos : authorityEnd - authorityStart);
    std::wstring url = L"http://" + authority;
    if (path[0] != L'/') url += L'/';
    url += path.substr(0, lastSlash + 1);
    for (wchar_t c : path.substr(lastSlash + 1)) {
        if (c == L' ')
            url += L"%20";
        else
            url += c;
    }
    return url;
}

std::string urlEncodeBytes(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case ' ': out += '+'; break;
        case '\n': out += "%0A"; break;
        case '\r': out += "%0D"; break;
        case '\t':
        case '%':
        case '&':
        case '+':
        case '/':
        case '=':
        case '\\': appendEscape(out, (unsigned char)c, kHexLower); break;
        default: out += c;
        }
    }
    return out;
}

std::string urlDecodeBytes(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
            i++;
        } else if (c == '%') {
            // The two characters after it, read as a hexadecimal number: leading blanks
            // allowed, reading stops at the first other character.
            size_t available = std::min<size_t>(2, text.size() - i - 1);
            size_t j = 0;
            while (j < available && text[i + 1 + j] == ' ') j++;
            int value = 0, digits = 0;
            for (; j < available && hexDigit(text[i + 1 + j]) >= 0; j++, digits++)
                value = value * 16 + hexDigit(text[i + 1 + j]);
            if (digits > 0) {
                out += static_cast<char>(value);
                i += 1 + available;
            } else {
                i++;  // the "%" is dropped, what follows is read as usual
            }
        } else {
            out += c;
            i++;
        }
    }
    return out;
}

std::wstring urlEncode(const std::wstring& text) { return fromAnsiBytes(urlEncodeBytes(ansiBytes(text))); }
std::wstring urlDecode(const std::wstring& text) { return fromAnsiBytes(urlDecodeBytes(ansiBytes(text))); }

std::string percentEncodeForBrowser(const std::string& bytes) {
    static const char kEscaped[] = "\t\n\r \"!#$%&'()+,;<=>?\\^";
    std::string out;
    for (char c : bytes) {
        unsigned char byte = (unsigned char)c;
        if (byte > 126 || (byte != 0 && std::strchr(kEscaped, c)))
            appendEscape(out, byte, kHexUpper);
        else
            out += c;
    }
    return out;
}

std::wstring browserAddress(const std::wstring& url) {
    size_t schemeEnd = url.find(L"://");
    if (!isHttpOrHttps(url) || schemeEnd == std::wstring::npos)
        throw cERROR_MSG(BV_ERR_GENERAL, "openUrlInBrowser - only http and https addresses are opened");
    size_t authorityEnd = std::min(url.find_first_of(L"/?#", schemeEnd + 3), url.size());
    if (!isPlainAuthority(url.substr(schemeEnd + 3, authorityEnd - schemeEnd - 3)))
        throw cERROR_MSG(BV_ERR_GENERAL, "openUrlInBrowser - the address names no plain host");
    static const char kOutsideUrls[] = " \"<>\\^`{|}";
    std::string out;
    for (char c : convertUnicodeToUtf8(url)) {
        unsigned char byte = (unsigned char)c;
        if (byte < 32 || byte > 126 || std::strchr(kOutsideUrls, c))
            appendEscape(out, byte, kHexUpper);
        else
            out += c;
    }
    return toWide(out);
}

std::string ansiBytes(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    if (size <= 0) throw cERROR_MSG(BV_ERR_GENERAL, "convertUnicodeToUtf8::ERROR->%lu", GetLastError());
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::wstring fromAnsiBytes(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
    if (size <= 0) throw cERROR_MSG(BV_ERR_GENERAL, "convertToUnicode::ERROR->%lu", GetLastError());
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), (int)bytes.size(), &text[0], size);
    return text;
}

}  // namespace web
