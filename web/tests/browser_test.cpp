// The methods that need no server: URL texts, the server root, Session, the upload
// message, HTML documents, and opening a page in the browser (the lab's recorder
// registered as the program of ".htm" files).
#include "component_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "bstr.h"
#include "com/object.h"
#include "lab_paths.h"
#include "lab_recorder.h"
#include "lab_text.h"

using namespace webtest;

namespace {

BSTR poisonedText() { return reinterpret_cast<BSTR>(static_cast<uintptr_t>(0xdeadbeef)); }

// An HTML document stand-in: records what the component does with it.
class FakeDocument : public com::Object<FakeDocument, IDispatch, IPersistStreamInit> {
public:
    std::vector<std::string> calls;
    std::string loaded;
    HRESULT initResult = S_OK;
    HRESULT loadResult = S_OK;

    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override {
        calls.push_back("Load");
        char buffer[4096];
        ULONG read = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) loaded.append(buffer, read);
        return loadResult;
    }
    STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override {
        calls.push_back("InitNew");
        return initResult;
    }
};

class PlainObject : public com::Object<PlainObject, IDispatch> {
public:
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

class Texts : public WebTest {};

class Browser : public WebTest {
protected:
    void SetUp() override {
        WebTest::SetUp();
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        m_probePage = std::wstring(temp) + L"temphtm.HTM";
        DeleteFileW(m_probePage.c_str());
    }
    VARIANT_BOOL open(const std::wstring& url, TestDictionary* parameters) {
        VARIANT_BOOL ok = (VARIANT_BOOL)0x1234;
        EXPECT_EQ(S_OK,
                  m_web->openUrlInBrowser(BStr(url).get(), parameters ? parameters->as<IDictionary>() : nullptr, &ok));
        return ok;
    }

    lab::TempFolder m_logFolder{L"web-browser"};
    lab::RecorderLog m_log{m_logFolder.file(L"recorder.log")};
    std::wstring m_probePage;
};

}  // namespace

TEST_F(Texts, UrlEncodeAndDecodeThroughTheInterface) {
    BSTR encoded = poisonedText();
    ASSERT_HRESULT_SUCCEEDED(m_web->urlEncode(BStr(L"a b&c\nd/\u00fc").get(), &encoded));
    EXPECT_EQ(L"a+b%26c%0Ad%2f\u00fc", BStr::attach(encoded).str());
    BSTR decoded = poisonedText();
    ASSERT_HRESULT_SUCCEEDED(m_web->urlDecode(BStr(L"a+b%26c%0Ad%zz%2F").get(), &decoded));
    EXPECT_EQ(L"a b&c\ndzz/", BStr::attach(decoded).str());
    decoded = poisonedText();
    ASSERT_HRESULT_SUCCEEDED(m_web->urlDecode(nullptr, &decoded));
    EXPECT_EQ(L"", BStr::attach(decoded).str());
    EXPECT_EQ(E_POINTER, m_web->urlEncode(BStr(L"x").get(), nullptr));
}

TEST_F(Texts, ServerRootSessionAndUploadMessage) {
    EXPECT_EQ(L"", serverUrl());
    m_provider->settings(R"({"protocol": "https://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    EXPECT_EQ(L"https://127.0.0.1:" + std::to_wstring(m_provider->port()), serverUrl());

    BSTR session = poisonedText();
    EXPECT_EQ(E_NOTIMPL, m_web->get_Session(&session));
    EXPECT_EQ(nullptr, session);
    BSTR message = poisonedText();
    ASSERT_HRESULT_SUCCEEDED(m_web->getUploadMessage(&message));
    EXPECT_EQ(L"", BStr::attach(message).str());
}

TEST_F(Texts, HtmlGoesIntoTheDocumentAsUtf16WithoutTerminator) {
    auto document = com::make<FakeDocument>();
    const std::wstring html = L"<p>Gr\u00fc\u00dfe</p>";
    ASSERT_HRESULT_SUCCEEDED(m_web->assignHTML(document.Get(), BStr(html).get()));
    EXPECT_EQ((std::vector<std::string>{"InitNew", "Load"}), document->calls);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(html.data()), html.size() * 2), document->loaded);
}

TEST_F(Texts, EachHtmlStepReportsItsOwnFailure) {
    auto plain = com::make<PlainObject>();
    CallResult noInterface = takeCallResult(m_web->assignHTML(plain.Get(), BStr(L"<p/>").get()));
    EXPECT_EQ(E_FAIL, noInterface.hr);
    EXPECT_EQ(L"Cannot get interface from document", noInterface.description);
    EXPECT_EQ(L"KeloWeb.iWeb.1", noInterface.source);
    EXPECT_EQ(L"Cannot get interface from document", takeCallResult(m_web->assignHTML(nullptr, nullptr)).description);

    auto refusesInit = com::make<FakeDocument>();
    refusesInit->initResult = E_ACCESSDENIED;
    CallResult init = takeCallResult(m_web->assignHTML(refusesInit.Get(), BStr(L"<p/>").get()));
    EXPECT_EQ(E_FAIL, init.hr);
    EXPECT_EQ(L"Cannot intialize document", init.description);

    auto refusesLoad = com::make<FakeDocument>();
    refusesLoad->loadResult = E_INVALIDARG;
    CallResult load = takeCallResult(m_web->assignHTML(refusesLoad.Get(), BStr(L"<p/>").get()));
    EXPECT_EQ(E_FAIL, load.hr);
    EXPECT_EQ(L"Cannot load html to document", load.description);
}

TEST_F(Browser, TheAssociatedProgramGetsTheAddressWithScrambledEncodedParameters) {
    lab::FileAssociation association(L".htm", L"htmlfile", lab::openCommandFor(lab::recorderProgram()));
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

    // The probe page was made for the look-up.
    std::ifstream probe(std::filesystem::path(m_probePage), std::ios::binary);
    std::ostringstream content;
    content << probe.rdbuf();
    EXPECT_EQ("<HTML></HTML>", content.str());
}

TEST_F(Browser, WithoutParametersOnlyEncryptIsAddedAndTheAddressIsOneQuotedArgument) {
    lab::FileAssociation association(L".htm", L"htmlfile", lab::openCommandFor(lab::recorderProgram()));
    EXPECT_EQ(VARIANT_TRUE, open(L"http://print.example.test/order.asp?a=1 \"b\" --flag", nullptr));
    ASSERT_TRUE(m_log.waitForLines(1));
    EXPECT_EQ("\"http://print.example.test/order.asp?a=1%20%22b%22%20--flag&encrypt=1\"",
              lab::toUtf8(lab::parametersOf(m_log.lines()[0])));
    // Only http and https addresses are opened.
    EXPECT_EQ(VARIANT_FALSE, open(L"file:///C:/windows/win.ini?a=1", nullptr));
    EXPECT_EQ(1u, m_log.lines().size());
}

TEST_F(Browser, AProgramThatCannotStartGivesFalseAndNoError) {
    lab::FileAssociation association(L".htm", L"Lab.MissingBrowser",
                                     L"\"C:\\no such folder\\missing browser.exe\" \"%1\"");
    EXPECT_EQ(VARIANT_FALSE, open(L"http://print.example.test/order.asp?a=1", nullptr));
    EXPECT_TRUE(m_log.lines().empty());
}
