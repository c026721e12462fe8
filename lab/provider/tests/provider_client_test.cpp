// The provider stand-in reached from a Windows program under Wine: started by the
// test-support library, spoken to with WinHTTP and with MSXML's request object (the
// two ways the web component talks to the provider), and read back.
#include "bstr.h"
#include "error_msg.h"
#include "handles.h"
#include "json_value.h"
#include "provider_client.h"
#include "variant.h"

#include <msxml2.h>
#include <olectl.h>
#include <urlmon.h>
#include <windows.h>
#include <winhttp.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

using lab::JsonValue;
using lab::ProviderStandIn;
using Microsoft::WRL::ComPtr;

namespace {

const CLSID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const CLSID kClsidXmlHttp30 = {0xF5078F35, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
const IID kIidXmlDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidXmlHttpRequest = {0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};

// The client's scramble of a user name or password, written out for the test.
std::wstring scramble(const std::wstring& text) {
    std::wstring out = text;
    for (size_t i = 0; i < out.size(); ++i) out[i] = (wchar_t)((out[i] + 10 + i % 10) & 0xFFFF);
    return out;
}

std::string xmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

std::string loginDocument(const std::wstring& name, const std::wstring& password) {
    return "<keloAction><method name=\"login\">"
           "<parameter name=\"encrypt\"><value>1</value></parameter>"
           "<parameter name=\"username\"><value>" +
           xmlEscape(lab::toUtf8(scramble(name))) +
           "</value></parameter>"
           "<parameter name=\"password\"><value>" +
           xmlEscape(lab::toUtf8(scramble(password))) +
           "</value></parameter>"
           "</method></keloAction>";
}

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};

}  // namespace

TEST(JsonValue, ReadsNestingEscapesAndUtf16Units) {
    JsonValue value = JsonValue::parse(
        R"( {"a": [1, -2.5e1, true, false, null], "s": "q\"\\\/\n\u00fc\ud834\udd1e", "lone": "\ud800x", "o": {}} )");
    ASSERT_EQ(JsonValue::Kind::Object, value.kind());
    EXPECT_EQ(5u, value["a"].size());
    EXPECT_EQ(1, value["a"].at(0).integer());
    EXPECT_DOUBLE_EQ(-25.0, value["a"].at(1).number());
    EXPECT_TRUE(value["a"].at(2).boolean());
    EXPECT_FALSE(value["a"].at(3).boolean());
    EXPECT_TRUE(value["a"].at(4).isNull());
    EXPECT_TRUE(value["a"].at(99).isNull());
    EXPECT_EQ(std::wstring(L"q\"\\/\n\u00fc\xd834\xdd1e"), value["s"].wide());
    EXPECT_EQ("q\"\\/\n\xc3\xbc\xf0\x9d\x84\x9e", value["s"].text());
    EXPECT_EQ(std::wstring(L"\xd800x"), value["lone"].wide());
    EXPECT_EQ(JsonValue::Kind::Object, value["o"].kind());
    EXPECT_FALSE(value.has("missing"));
    EXPECT_TRUE(value["missing"]["deeper"].isNull());

    for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "\"open", "tru", "1 2", "{\"a\":\"\\x\"}"})
        EXPECT_THROW(JsonValue::parse(bad), cERROR_MSG) << bad;
}

TEST(JsonValue, QuotesAndDecodes) {
    EXPECT_EQ("\"a\\\"b\\\\c\\u000a\\u00fc\"", lab::jsonQuote(std::string("a\"b\\c\n\xc3\xbc")));
    EXPECT_EQ(std::wstring(L"\xd800"), JsonValue::parse(lab::jsonQuote(std::wstring(L"\xd800"))).wide());
    EXPECT_EQ("Kelo lab\r\n", lab::base64Decode("S2VsbyBsYWINCg=="));
    EXPECT_EQ(std::string("\0\xff", 2), lab::base64Decode("AP8="));
}

class ProviderFromWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() { m_provider = new ProviderStandIn(); }
    static void TearDownTestSuite() {
        delete m_provider;
        m_provider = nullptr;
    }
    void SetUp() override { m_provider->reset(); }

    static ProviderStandIn* m_provider;
};
ProviderStandIn* ProviderFromWindows::m_provider = nullptr;

TEST_F(ProviderFromWindows, AnswersAndRecordsARequestPostedWithWinHttp) {
    ASSERT_GT(m_provider->port(), 0);
    std::string document = loginDocument(L"alice", L"secret");
    lab::HttpReply reply = lab::httpRequest(L"POST", m_provider->serviceUrl(), document,
                                            L"Content-type: application/x-www-form-urlencoded");
    ASSERT_EQ(200u, reply.status) << reply.error;
    EXPECT_NE(std::string::npos, reply.body.find("<keloResult><method name=\"login\">"));
    EXPECT_NE(std::string::npos, reply.body.find("<parameter name=\"returnCode\"><value>OK</value>"));

    JsonValue logins = m_provider->requests("login");
    ASSERT_EQ(1u, logins.size());
    const JsonValue& login = logins.at(0);
    EXPECT_EQ("POST", login["verb"].text());
    EXPECT_EQ(document, login["body"].text());
    EXPECT_EQ(document, m_provider->requestBody(login["seq"].integer()));
    EXPECT_EQ("encrypt", login["parameters"].at(0)["name"].text());
    EXPECT_EQ("string", login["parameters"].at(1)["kind"].text());
    EXPECT_EQ(scramble(L"alice"), login["values"]["username"].wide());
    EXPECT_EQ("alice", login["login"]["username"].text());
    EXPECT_TRUE(login["login"]["accepted"].boolean());
}

TEST_F(ProviderFromWindows, ScriptedAnswersReachWindowsAlsoOverTls) {
    m_provider->failMethod("login", "ERROR_LOCKED", "Account <locked> & gone", 1);
    lab::HttpReply refused =
        lab::httpRequest(L"POST", m_provider->serviceUrl(true), loginDocument(L"alice", L"secret"));
    ASSERT_EQ(200u, refused.status) << refused.error;
    EXPECT_NE(std::string::npos, refused.body.find("<value>ERROR_LOCKED</value>"));
    EXPECT_NE(std::string::npos, refused.body.find("Account &amp;lt;locked&amp;gt; &amp;amp; gone"));

    m_provider->script(R"({"method": "*", "status": 500, "body": "broken", "times": 1})");
    lab::HttpReply broken = lab::httpRequest(L"POST", m_provider->serviceUrl(), loginDocument(L"alice", L"secret"));
    EXPECT_EQ(500u, broken.status);
    EXPECT_EQ("broken", broken.body);

    m_provider->script(R"({"method": "getJobTypes", "close": "close"})");
    lab::HttpReply closed =
        lab::httpRequest(L"POST", m_provider->serviceUrl(), "<keloAction><method name=\"getJobTypes\"/></keloAction>");
    EXPECT_EQ(0u, closed.status);
    EXPECT_NE(0u, closed.error);

    JsonValue records = m_provider->requests();
    ASSERT_EQ(3u, records.size());
    EXPECT_TRUE(records.at(0)["tls"].boolean());
    EXPECT_FALSE(records.at(1)["tls"].boolean());
    EXPECT_TRUE(records.at(2)["closed"].boolean());
}

TEST_F(ProviderFromWindows, ReadsWhatMsxmlSendsForANameBeyondAscii) {
    ComApartment com;
    const std::wstring name = L"J\u00fcrgen \u20ac";
    m_provider->setUsers({{lab::toUtf8(name), "pa&ss"}});

    ComPtr<IXMLDOMDocument> document;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument,
                                     (void**)document.GetAddressOf()));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    ASSERT_EQ(S_OK, document->loadXML(BStr(L"<keloAction><method name=\"login\"/></keloAction>").get(), &loaded));
    ASSERT_EQ(VARIANT_TRUE, loaded);
    ComPtr<IXMLDOMNode> method;
    ASSERT_EQ(S_OK, document->selectSingleNode(BStr(L"/keloAction/method").get(), method.GetAddressOf()));
    const std::pair<const wchar_t*, std::wstring> parameters[] = {
        {L"encrypt", L"1"}, {L"username", scramble(name)}, {L"password", scramble(L"pa&ss")}};
    for (const auto& parameter : parameters) {
        ComPtr<IXMLDOMElement> element, value;
        ComPtr<IXMLDOMNode> added;
        ASSERT_EQ(S_OK, document->createElement(BStr(L"parameter").get(), element.GetAddressOf()));
        ASSERT_EQ(S_OK, element->setAttribute(BStr(L"name").get(), Variant(parameter.first)));
        ASSERT_EQ(S_OK, document->createElement(BStr(L"value").get(), value.GetAddressOf()));
        ASSERT_EQ(S_OK, value->put_text(BStr(parameter.second).get()));
        ASSERT_EQ(S_OK, element->appendChild(value.Get(), added.GetAddressOf()));
        ASSERT_EQ(S_OK, method->appendChild(element.Get(), added.ReleaseAndGetAddressOf()));
    }

    // Wine: its request object sends nothing for a document object as the body, so
    // the document goes as its text (which it sends in UTF-8).
    BStr text;
    ASSERT_EQ(S_OK, document->get_xml(text.out()));
    ComPtr<IXMLHTTPRequest> request;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidXmlHttp30, nullptr, CLSCTX_INPROC_SERVER, kIidXmlHttpRequest,
                                     (void**)request.GetAddressOf()));
    auto post = [&](const BStr& body) {
        Variant async(false), none;
        BStr verb(L"POST"), url(m_provider->serviceUrl()), headerName(L"Cache-Control"), headerValue(L"no-cache");
        EXPECT_EQ(S_OK, request->open(verb.get(), url.get(), async, none, none));
        EXPECT_EQ(S_OK, request->setRequestHeader(headerName.get(), headerValue.get()));
        EXPECT_EQ(S_OK, request->send(Variant(body.c_str())));
        BStr answer;
        EXPECT_EQ(S_OK, request->get_responseText(answer.out()));
        return answer.str();
    };
    EXPECT_NE(std::wstring::npos, post(text).find(L"<value>OK</value>"));
    JsonValue login = m_provider->requests("login").at(0);
    EXPECT_EQ(name, login["login"]["username"].wide());
    EXPECT_EQ("pa&ss", login["login"]["password"].text());
    EXPECT_TRUE(login["login"]["accepted"].boolean()) << login["body_encoding"].text();

    // The answer's characters beyond ASCII arrive whole in the response text.
    m_provider->answerMethod("getTermsAndConditions", R"({"result": "Gr\u00fc\u00dfe \u20ac"})");
    std::wstring terms = post(BStr(L"<keloAction><method name=\"getTermsAndConditions\"/></keloAction>"));
    EXPECT_NE(std::wstring::npos, terms.find(L"<value>Gr\u00fc\u00dfe \u20ac</value>")) << terms;
}

TEST_F(ProviderFromWindows, StoresAMultipartUploadFromWindows) {
    lab::HttpReply job = lab::httpRequest(L"POST", m_provider->serviceUrl(),
                                          "<keloAction><method name=\"uploadJob_nogui\"/></keloAction>");
    ASSERT_EQ(200u, job.status);
    std::string uploadPath = m_provider->requests("uploadJob_nogui").at(0)["answer_fields"]["uploadPath"].text();
    ASSERT_FALSE(uploadPath.empty());

    const std::string boundary = "---------------------------7d11c0032035c";
    const std::string content("%!PS\r\n\0\xff--\r\n", 12);
    std::string body = "--" + boundary +
                       "\r\nContent-Disposition: form-data; name=\"Filedata\"; filename=\"C:\\t\\a.ps\"\r\n"
                       "Content-Type:application/ps\r\n\r\n" +
                       content;
    for (const auto& field : {std::make_pair("filename", "a.ps"), std::make_pair("outPath", uploadPath.c_str()),
                              std::make_pair("overwrite", "1")})
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + field.first + "\"\r\n\r\n" +
                field.second + "\r\n";
    body += "--" + boundary + "\r\n--\r\n";
    lab::HttpReply upload = lab::httpRequest(L"POST", m_provider->url(ProviderStandIn::kUploadPath), body,
                                             L"Content-Type: multipart/form-data; boundary=" + lab::fromUtf8(boundary));
    ASSERT_EQ(200u, upload.status) << upload.error;

    JsonValue uploads = m_provider->uploads();
    ASSERT_EQ(1u, uploads.size());
    EXPECT_EQ(0u, uploads.at(0)["errors"].size());
    EXPECT_EQ("outPath", uploads.at(0)["fields"].at(1).at(0).text());
    EXPECT_EQ(uploadPath + "/a.ps", uploads.at(0)["files"].at(0)["server_path"].text());
    EXPECT_EQ(content, m_provider->uploadedFile(0));
    EXPECT_EQ(content, m_provider->uploadedFile(0, false));
}

TEST_F(ProviderFromWindows, ServesTheLogoAndTheUpdatePackageToWindowsServices) {
    ComApartment com;
    lab::httpRequest(L"POST", m_provider->serviceUrl(), "<keloAction><method name=\"getLogo\"/></keloAction>");
    lab::httpRequest(L"POST", m_provider->serviceUrl(),
                     "<keloAction><method name=\"checkClientVersion\"/></keloAction>");
    JsonValue records = m_provider->requests();
    std::string logoPath = records.at(0)["answer_fields"]["path"].text();
    std::string packageUrl = records.at(1)["answer_fields"]["versionSpec"]["downloadUrl"].text();

    ComPtr<IPictureDisp> picture;
    HRESULT loaded = OleLoadPicturePath(const_cast<LPOLESTR>(m_provider->url(lab::fromUtf8(logoPath)).c_str()), nullptr,
                                        0, 0, IID_IPictureDisp, (void**)picture.GetAddressOf());
    EXPECT_EQ(S_OK, loaded);
    EXPECT_NE(nullptr, picture.Get());

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring target = std::wstring(temp) + L"Kelo Print Driver.msi";
    ASSERT_EQ(S_OK, URLDownloadToFileW(nullptr, lab::fromUtf8(packageUrl).c_str(), target.c_str(), 0, nullptr));
    FileHandle file(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    std::string downloaded(GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    ReadFile(file.get(), &downloaded[0], (DWORD)downloaded.size(), &read, nullptr);
    file.reset();
    EXPECT_FALSE(downloaded.empty());
    EXPECT_EQ(lab::httpRequest(L"GET", lab::fromUtf8(packageUrl)).body, downloaded);
    DeleteFileW(target.c_str());
}

TEST(ProviderStandIn, StopsAndFreesItsPort) {
    lab::ProviderOptions options;
    options.users = {{"bob", "pw"}};
    options.protocol = "https://";
    options.extraPort = true;
    options.tls = false;
    std::wstring url;
    {
        ProviderStandIn provider(options);
        EXPECT_GT(provider.extraPort(), 0);
        url = provider.serviceUrl();
        lab::HttpReply reply =
            lab::httpRequest(L"POST", url, "<keloAction><method name=\"getProtocol\"/></keloAction>");
        EXPECT_NE(std::string::npos, reply.body.find("https://"));
        JsonValue settings = provider.control(L"GET", "settings");
        EXPECT_EQ("pw", settings["users"]["bob"].text());
        EXPECT_THROW(provider.control(L"GET", "no-such-thing"), cERROR_MSG);
        EXPECT_EQ(GetFileAttributesW(provider.stateFolder().c_str()) & FILE_ATTRIBUTE_DIRECTORY,
                  (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    }
    lab::HttpReply after = lab::httpRequest(L"GET", url, std::string(), std::wstring(), 5000);
    EXPECT_EQ(0u, after.status);
    EXPECT_EQ((unsigned long)ERROR_WINHTTP_CANNOT_CONNECT, after.error);
}
