// The methods that need no server: URL texts and opening a page in the browser (the
// lab's recorder registered as the program of ".htm" files).
#include "component_fixture.h"

#include "bstr.h"
#include "lab_recorder.h"

using namespace webtest;

namespace {

class Texts : public WebTest {};

class Browser : public WebTest {
protected:
    VARIANT_BOOL open(const std::wstring& url, TestDictionary* parameters) {
        VARIANT_BOOL ok = (VARIANT_BOOL)0x1234;
        EXPECT_EQ(S_OK, m_web->openUrlInBrowser(BStr(url).get(), parameters ? parameters->dictionary() : nullptr, &ok));
        return ok;
    }

    lab::TempFolder m_logFolder{L"web-browser"};
    lab::RecorderLog m_log{m_logFolder.file(L"recorder.log")};
};

}  // namespace

TEST_F(Texts, UrlEncodeAndDecodeThroughTheInterface) {
    auto through = [&](HRESULT (STDMETHODCALLTYPE I_Web::*method)(BSTR, BSTR*), const wchar_t* text) {
        BSTR out = poisoned<BSTR>();
        EXPECT_HRESULT_SUCCEEDED((m_web.Get()->*method)(BStr(text).get(), &out));
        return BStr::attach(out).str();
    };
    auto encoded = [&](const wchar_t* text) { return through(&I_Web::urlEncode, text); };
    auto decoded = [&](const wchar_t* text) { return through(&I_Web::urlDecode, text); };
    const std::pair<std::wstring, std::wstring> cases[] = {
        {encoded(L"a b&c\nd\re"), L"a+b%26c%0Ad%0De"},
        {encoded(L"\t%+/=\\"), L"%09%25%2b%2f%3d%5c"},
        {encoded(L"x?y#z:@!*\u00fc"), L"x?y#z:@!*\u00fc"},  // only the form's characters
        {decoded(L"a+b%41%42%2f"), L"a bAB/"},
        {decoded(L"a%4"), L"a\x04"},  // the end of the text ends the number
        {decoded(L"a%"), L"a"},
        {decoded(L"a%00b"), std::wstring(L"a\0b", 3)},
        {decoded(L"%fc"), L"\u00fc"},  // bytes of the ANSI code page
        {decoded(nullptr), L""},
    };
    for (size_t i = 0; i < std::size(cases); i++) EXPECT_EQ(cases[i].second, cases[i].first) << i;
}

TEST_F(Browser, TheAssociatedProgramGetsTheAddressWithScrambledEncodedParameters) {
    lab::FileAssociation association = lab::recorderAsBrowser();
    TestDictionary parameters;
    parameters.add(L"username", L"anna")
        .add(L"password", L"p w&?")
        .add(L"localizationsection", L"loc_1033")
        .add(L"filename", L"layout \u00fc(1).zip")
        .add(L"Username", L"not scrambled");
    const std::wstring page =
        m_provider->url(L"/brisvel/versions/250/site/kelo/services/web/printdriver/order.asp?session=lab");
    EXPECT_EQ(VARIANT_TRUE, open(page, &parameters));
    ASSERT_TRUE(m_log.waitForLines(1));
    std::vector<std::wstring> lines = m_log.lines();
    ASSERT_EQ(1u, lines.size());
    // "anna" shifted by 10, 11, 12, 13; in "p w&?" the "w" becomes U+0083 (UTF-8 C2 83).
    EXPECT_EQ(lab::toUtf8(page) +
                  "&encrypt=1&username=kyzn&password=z%2B%C2%833M&localizationsection=loc_1033"
                  "&filename=layout%20%C3%BC%281%29.zip&Username=not%20scrambled",
              lab::toUtf8(lab::pageOf(lines[0])));
}

TEST_F(Browser, WithoutParametersOnlyEncryptIsAddedToTheOneQuotedArgumentOfHttpAddresses) {
    lab::FileAssociation association = lab::recorderAsBrowser();
    EXPECT_EQ(VARIANT_TRUE, open(L"http://print.example.test/order.asp?a=1 \"b\" --flag", nullptr));
    ASSERT_TRUE(m_log.waitForLines(1));
    EXPECT_EQ("\"http://print.example.test/order.asp?a=1%20%22b%22%20--flag&encrypt=1\"",
              lab::toUtf8(lab::parametersOf(m_log.lines()[0])));
    // A program that cannot start gives false and no error (other addresses: see the text rules).
    lab::FileAssociation missing(L".htm", L"Lab.MissingBrowser", L"\"C:\\no such folder\\missing.exe\" \"%1\"");
    EXPECT_EQ(VARIANT_FALSE, open(L"http://print.example.test/order.asp?a=1", nullptr));
    EXPECT_EQ(1u, m_log.lines().size());
}
