// The component's text rules a peer sees only through a browser, a picture request or
// a login: the credential scramble, service and picture addresses and browser addresses.
#include "credential_scramble.h"
#include "url_text.h"
#include "web_test_support.h"

#include <gtest/gtest.h>

using namespace web;

namespace {
const std::wstring kPage = L"/brisvel/versions/250/site/kelo/services/web/printdriver/default.asp";
}

TEST(TextRules, AddressesAndTheScramble) {
    const std::wstring server = L"https://print.example.test:8443" + kPage;
    const std::pair<std::wstring, std::wstring> cases[] = {
        // Each code unit shifted by 10 plus its position modulo 10.
        {scrambleCredential(L"abcdefghijkl"), L"kmoqsuwy{}uw"},
        // Bare hosts get the scheme and the service page; a path of the caller's own is kept.
        {serviceUrlFor(L"print.example.test"), L"http://print.example.test" + kPage},
        {serviceUrlFor(L"HTTPS://print.example.test:8443"), L"HTTPS://print.example.test:8443" + kPage},
        {serviceUrlFor(L"https://h:8443/svc/x.asp?a=1"), L"https://h:8443/svc/x.asp?a=1"},
        {serviceUrlFor(L"http://print.example.test/"), L"http://print.example.test/"},
        // Pictures come over http from the service host; only the file name's blanks are encoded.
        {pictureUrlFor(server, L"/my images/a b .gif"), L"http://print.example.test:8443/my images/a%20b%20.gif"},
        {pictureUrlFor(server, L"img/logo.bmp"), L"http://print.example.test:8443/img/logo.bmp"},
        {pictureUrlFor(server, L"http://cdn.example.test/a b.bmp"), L"http://cdn.example.test/a b.bmp"},
        {pictureUrlFor(server, L"https://cdn.example.test/x.bmp"), L"https://cdn.example.test/x.bmp"},
        {pictureUrlFor(server, L"logo.bmp"), L"logo.bmp"},
        // Browser addresses: everything outside URLs escaped, so nothing ends the argument.
        {browserAddress(L"HTTPS://[::1]:8443/o.asp?a=\"b\" --flag\t\u00fc\\%25"),
         L"HTTPS://[::1]:8443/o.asp?a=%22b%22%20--flag%09%C3%BC%5C%25"},
        {browserAddress(L"http://print-1.Zone_z9.example.test:9099"), L"http://print-1.Zone_z9.example.test:9099"},
    };
    for (size_t i = 0; i < std::size(cases); i++) EXPECT_EQ(cases[i].second, cases[i].first) << i;
}

TEST(TextRules, OnlyHttpAddressesWithAPlainHostOpenInTheBrowser) {
    for (const wchar_t* refused :
         {L"file:///C:/boot.ini", L"\\\\server\\share\\o.htm", L"javascript:alert(1)", L"--flag http://h/",
          L"http://127.0.0.1:80file:///C:/x", L"http://h:80@evil.test/", L"http://user@evil.test/", L"http://h`x/",
          L"http:///o.asp", L"http://h:/", L"http://h:123456/", L"http://h\" --flag/"})
        EXPECT_EQ("openUrlInBrowser", webtest::errorMessageOf([&] { browserAddress(refused); }).substr(0, 16))
            << refused;
    EXPECT_EQ("%09%0A%0D%20%22%21%23%24%25%26%27%28%29%2B%2C%3B%3C%3D%3E%3F%5C%5E",
              percentEncodeForBrowser("\t\n\r \"!#$%&'()+,;<=>?\\^"));
    EXPECT_EQ("az09-_.~/:@*[]{}|`", percentEncodeForBrowser("az09-_.~/:@*[]{}|`"));
    EXPECT_EQ("%C3%BC%7F", percentEncodeForBrowser("\xC3\xBC\x7F"));
}
