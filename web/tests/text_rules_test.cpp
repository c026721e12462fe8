// The component's text rules: the credential scramble, service and picture addresses,
// the scheme switch, the three URL encodings, browser addresses and the second entity
// decoding of answers.
#include "credential_scramble.h"
#include "entity_text.h"
#include "url_text.h"
#include "web_test_support.h"

#include <gtest/gtest.h>

using namespace web;

namespace {
const std::wstring kPage = L"/brisvel/versions/250/site/kelo/services/web/printdriver/default.asp";
}

TEST(CredentialScramble, ShiftsEachCodeUnitByTenPlusItsPositionModuloTen) {
    const std::wstring name = L"abcdefghijkl";
    std::wstring out = scrambleCredential(name);
    ASSERT_EQ(12u, out.size());
    const int shifts[] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 10, 11};
    for (size_t i = 0; i < 12; i++) EXPECT_EQ(name[i] + shifts[i], out[i]) << i;
    // Modulo 65,536, and no key: the same text always gives the same result.
    EXPECT_EQ(std::wstring(L"\x0009\x000A"), scrambleCredential(L"\xFFFF\xFFFF"));
    EXPECT_EQ(L"", scrambleCredential(L""));
    EXPECT_EQ(out, scrambleCredential(name));
}

TEST(ServiceUrl, BareHostsGetTheSchemeAndTheServicePage) {
    EXPECT_EQ(L"http://print.example.test" + kPage, serviceUrlFor(L"print.example.test"));
    EXPECT_EQ(L"http://127.0.0.1:8080" + kPage, serviceUrlFor(L"127.0.0.1:8080"));
    EXPECT_EQ(L"http://print.example.test" + kPage, serviceUrlFor(L"http://print.example.test"));
    EXPECT_EQ(L"HTTPS://print.example.test:8443" + kPage, serviceUrlFor(L"HTTPS://print.example.test:8443"));
    // A path of the caller's own is kept as it is.
    EXPECT_EQ(L"https://print.example.test:8443/svc/x.asp?a=1",
              serviceUrlFor(L"https://print.example.test:8443/svc/x.asp?a=1"));
    EXPECT_EQ(L"http://print.example.test/", serviceUrlFor(L"http://print.example.test/"));
}

TEST(ServiceUrl, TheAnnouncedSchemeReplacesADifferentOne) {
    EXPECT_EQ(L"https://h:81" + kPage, applyProtocolScheme(L"http://h:81" + kPage, L"https://"));
    EXPECT_EQ(L"http://h" + kPage, applyProtocolScheme(L"https://h" + kPage, L"http://"));
    EXPECT_EQ(L"http://h/x", applyProtocolScheme(L"http://h/x", L"http://"));
    EXPECT_EQ(L"https://h/x", applyProtocolScheme(L"https://h/x", L"https://"));
    // An answer without a scheme must not take the scheme off the address.
    EXPECT_EQ(L"http://h/x", applyProtocolScheme(L"http://h/x", L""));
    EXPECT_EQ(L"http://h/x", applyProtocolScheme(L"http://h/x", L"https"));
}

TEST(ServiceUrl, ServerRootIsSchemeHostAndPort) {
    EXPECT_EQ(L"https://127.0.0.1:8443", serverRootOf(L"https://127.0.0.1:8443" + kPage));
    EXPECT_EQ(L"http://print.example.test", serverRootOf(L"http://print.example.test" + kPage));
    EXPECT_EQ(L"http://print.example.test", serverRootOf(L"http://print.example.test"));
    EXPECT_EQ(L"", serverRootOf(L""));
}

TEST(PictureUrl, PathsAreFetchedOverHttpFromTheServiceHost) {
    const std::wstring server = L"https://print.example.test:8443" + kPage;
    EXPECT_EQ(L"http://print.example.test:8443/img/my%20logo.bmp", pictureUrlFor(server, L"/img/my logo.bmp"));
    // Only the file name's blanks are encoded.
    EXPECT_EQ(L"http://print.example.test:8443/my images/a%20b%20.gif", pictureUrlFor(server, L"/my images/a b .gif"));
    EXPECT_EQ(L"http://print.example.test:8443/img/logo.bmp", pictureUrlFor(server, L"img/logo.bmp"));
    EXPECT_EQ(L"http://cdn.example.test/a b.bmp", pictureUrlFor(server, L"http://cdn.example.test/a b.bmp"));
    EXPECT_EQ(L"https://cdn.example.test/x.bmp", pictureUrlFor(server, L"https://cdn.example.test/x.bmp"));
    EXPECT_EQ(L"logo.bmp", pictureUrlFor(server, L"logo.bmp"));
}

TEST(UrlEncode, EscapesTheFormCharactersOnly) {
    EXPECT_EQ(L"a+b%26c%0Ad%0De", urlEncode(L"a b&c\nd\re"));
    EXPECT_EQ(L"%09%25%2b%2f%3d%5c", urlEncode(L"\t%+/=\\"));
    EXPECT_EQ(L"x?y#z:@!*\u00fc", urlEncode(L"x?y#z:@!*\u00fc"));
    EXPECT_EQ(L"", urlEncode(L""));
}

TEST(UrlDecode, ReadsTwoCharactersAfterEachPercentSign) {
    EXPECT_EQ(L"a b", urlDecode(L"a+b"));
    EXPECT_EQ(L"AB/", urlDecode(L"%41%42%2f"));
    EXPECT_EQ(L"zz", urlDecode(L"%zz"));      // no digit: the "%" goes, the letters stay
    EXPECT_EQ(L"\x04x", urlDecode(L"% 4x"));  // a leading blank is allowed
    EXPECT_EQ(L"\x04", urlDecode(L"%4z"));    // reading stops at the "z", both are taken
    EXPECT_EQ(L"a\x04", urlDecode(L"a%4"));   // the end of the text ends the number
    EXPECT_EQ(L"a", urlDecode(L"a%"));
    EXPECT_EQ(std::wstring(L"a\0b", 3), urlDecode(L"a%00b"));
    EXPECT_EQ(L"a b&c\nd", urlDecode(urlEncode(L"a b&c\nd")));
    EXPECT_EQ(L"\u00fc", urlDecode(L"%fc"));  // bytes of the ANSI code page
}

TEST(BrowserEncoding, EscapesSeparatorsQuotesAndEverythingAbove126) {
    EXPECT_EQ("%09%0A%0D%20%22%21%23%24%25%26%27%28%29%2B%2C%3B%3C%3D%3E%3F%5C%5E",
              percentEncodeForBrowser("\t\n\r \"!#$%&'()+,;<=>?\\^"));
    EXPECT_EQ("az09-_.~/:@*[]{}|`", percentEncodeForBrowser("az09-_.~/:@*[]{}|`"));
    EXPECT_EQ("%C3%BC%7F", percentEncodeForBrowser("\xC3\xBC\x7F"));
}

TEST(BrowserAddress, OnlyHttpAddressesWithAPlainHostOpenAndNothingEndsTheArgument) {
    EXPECT_EQ(L"HTTPS://[::1]:8443/o.asp?a=%22b%22%20--flag%09%C3%BC%5C%25",
              browserAddress(L"HTTPS://[::1]:8443/o.asp?a=\"b\" --flag\t\u00fc\\%25"));
    EXPECT_EQ(L"http://print-1.example.test", browserAddress(L"http://print-1.example.test"));
    for (const wchar_t* refused :
         {L"file:///C:/boot.ini", L"\\\\server\\share\\o.htm", L"javascript:alert(1)", L"--flag http://h/",
          L"http://127.0.0.1:80file:///C:/x", L"http://h:80@evil.test/", L"http:///o.asp", L"http://h\" --flag/"})
        EXPECT_EQ("openUrlInBrowser", webtest::errorMessageOf([&] { browserAddress(refused); }).substr(0, 16))
            << webtest::utf8(refused);
}

TEST(EntityDecoding, UndoesTheServersSecondEscaping) {
    EXPECT_EQ(L"x&y", decodeEntities(L"x&amp;y"));
    EXPECT_EQ(L"><'&", decodeEntities(L"&GT;&lt;&Apos;&AMP;"));
    EXPECT_EQ(L"&amp;", decodeEntities(L"&amp;amp;"));  // one level only
}

TEST(EntityDecoding, DropsOtherReferencesAndKeepsALoneAmpersand) {
    EXPECT_EQ(L"say hi", decodeEntities(L"say &quot;hi&quot;"));
    EXPECT_EQ(L"ab", decodeEntities(L"a&#65;b"));
    EXPECT_EQ(L"a & b", decodeEntities(L"a & b"));
    EXPECT_EQ(L"a b & c", decodeEntities(L"a &x ;b & c"));
    EXPECT_EQ(L"", decodeEntities(L""));
}
