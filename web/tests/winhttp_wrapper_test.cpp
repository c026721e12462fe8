// WinHTTPWrapper against the provider stand-in: the multipart body byte for byte, the
// blocks it is written in, ports, queries, secure requests, and every failure text.
#include <winsock2.h>

#include "multipart_form.h"
#include "provider_client.h"
#include "web_test_support.h"
#include "winhttp_wrapper.h"

#include <filesystem>
#include <fstream>

using namespace web;
using lab::JsonValue;
using lab::ProviderStandIn;

namespace {

const std::string kBoundary = "---------------------------7d11c0032035c";

// What the sink was told, in order: "start N" and "advance N".
class RecordingSink : public UploadProgressSink {
public:
    void start(uint64_t total) override { calls.push_back("start " + std::to_string(total)); }
    void advance(uint64_t bytes) override { calls.push_back("advance " + std::to_string(bytes)); }
    std::vector<std::string> calls;
};

std::string boundaryLine() { return "--" + kBoundary + "\r\n"; }
std::string head(const std::wstring& path) {
    return boundaryLine() + "Content-Disposition: form-data; name=\"Filedata\"; filename=\"" + webtest::utf8(path) +
           "\"\r\nContent-Type:application/ps\r\n\r\n";
}
std::string field(const std::string& name, const std::string& value) {
    return boundaryLine() + "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}
std::string closing() { return boundaryLine() + "--\r\n"; }

std::string headerOf(const JsonValue& record, const std::string& name) {
    const JsonValue& headers = record["headers"];
    for (size_t i = 0; i < headers.size(); i++)
        if (_stricmp(headers.at(i).at(0).text().c_str(), name.c_str()) == 0) return headers.at(i).at(1).text();
    return "<missing>";
}

class Transport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { m_provider = new ProviderStandIn(); }
    static void TearDownTestSuite() {
        delete m_provider;
        m_provider = nullptr;
    }
    void SetUp() override {
        m_provider->reset();
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        m_folder = std::wstring(temp) + L"kelo-http-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::wstring file(const std::wstring& name, const std::string& bytes) {
        std::wstring path = m_folder + name;
        std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
        return path;
    }
    std::wstring uploadUrl(const std::wstring& query = L"") const {
        return m_provider->url(ProviderStandIn::kUploadPath) + query;
    }
    // The raw body of the only recorded request.
    std::string onlyBody() const {
        JsonValue records = m_provider->requests();
        EXPECT_EQ(1u, records.size());
        return m_provider->requestBody(records.at(0)["seq"].integer());
    }

    static ProviderStandIn* m_provider;
    std::wstring m_folder;
};

ProviderStandIn* Transport::m_provider = nullptr;

}  // namespace

TEST_F(Transport, TheMultipartBodyIsExactlyHeadFileFieldsAndClosing) {
    const std::string bytes =
        std::string("%!PS-Adobe-3.0\r\n") + std::string(3000, '\0') + "\r\n--tail without line end";
    const std::wstring path = file(L"job \u00fc.ps", bytes);
    FormFields fields;
    fields.add(L"zeta", L"z");
    fields.add(L"Alpha", L"a b");
    fields.add(L"beta", L"gr\u00fc\u00dfe");
    RecordingSink sink;

    WinHTTPWrapper().httpPostFile(uploadUrl(), fields, path, L"application/ps", &sink);

    std::string expectedHead = head(path);
    std::string expectedTail = field("Alpha", "a b") +
                               field("beta",
                                     "gr\xC3\xBC\xC3\x9F"
                                     "e") +
                               field("zeta", "z") + closing();
    std::string body = onlyBody();
    EXPECT_TRUE(expectedHead + bytes + expectedTail == body) << body.substr(0, 400);

    JsonValue record = m_provider->requests().at(0);
    EXPECT_EQ("POST", record["verb"].text());
    EXPECT_EQ("multipart/form-data; boundary=" + kBoundary, headerOf(record, "Content-Type"));
    EXPECT_EQ("Orbel HTTP Client", headerOf(record, "User-Agent"));
    EXPECT_EQ(std::to_string(body.size()), headerOf(record, "Content-Length"));
    JsonValue upload = m_provider->uploads().at(0);
    EXPECT_EQ(0u, upload["errors"].size());
    EXPECT_EQ("crlf-dashes", upload["closing"].text());
    EXPECT_TRUE(m_provider->uploadedFile(0, false) == bytes);

    EXPECT_EQ((std::vector<std::string>{
                  "start " + std::to_string(body.size()), "advance " + std::to_string(expectedHead.size()),
                  "advance " + std::to_string(bytes.size()), "advance " + std::to_string(expectedTail.size())}),
              sink.calls);
}

TEST_F(Transport, EmptyFieldsAndEmptyFiles) {
    const std::wstring path = file(L"empty.ps", "");
    RecordingSink sink;
    WinHTTPWrapper().httpPostFile(uploadUrl(), FormFields(), path, L"application/ps", &sink);
    EXPECT_EQ(head(path) + closing(), onlyBody());
    // No advance for the empty file itself.
    EXPECT_EQ((std::vector<std::string>{"start " + std::to_string(head(path).size() + closing().size()),
                                        "advance " + std::to_string(head(path).size()),
                                        "advance " + std::to_string(closing().size())}),
              sink.calls);
}

TEST_F(Transport, TheFileIsWrittenInBlocksOf10240Bytes) {
    for (size_t size : {10240u, 10241u, 25000u}) {
        m_provider->clearRecords();
        const std::wstring path = file(L"blocks.ps", std::string(size, 'b'));
        RecordingSink sink;
        WinHTTPWrapper().httpPostFile(uploadUrl(), FormFields(), path, L"application/ps", &sink);
        std::vector<std::string> blocks(sink.calls.begin() + 2, sink.calls.end() - 1);
        std::vector<std::string> expected;
        for (size_t left = size; left > 0; left -= std::min<size_t>(left, 10240))
            expected.push_back("advance " + std::to_string(std::min<size_t>(left, 10240)));
        EXPECT_EQ(expected, blocks) << size;
        EXPECT_EQ(size, m_provider->uploadedFile(0, false).size());
    }
}

TEST_F(Transport, AnExplicitPortIsUsedAndTheQueryStaysInTheObjectName) {
    const std::wstring path = file(L"q.ps", "q");
    WinHTTPWrapper().httpPostFile(uploadUrl(L"?job=7&name=ab"), FormFields(), path, L"application/ps", nullptr);
    JsonValue record = m_provider->requests().at(0);
    EXPECT_EQ(m_provider->port(), record["listener_port"].integer());
    EXPECT_EQ(webtest::utf8(ProviderStandIn::kUploadPath) + "?job=7&name=ab", record["path"].text());

    // Requests are opened with the escape-percent flag: a percent sign goes out escaped.
    WinHTTPWrapper().httpPostFile(uploadUrl(L"?name=a%20b"), FormFields(), path, L"application/ps", nullptr);
    EXPECT_EQ(webtest::utf8(ProviderStandIn::kUploadPath) + "?name=a%2520b",
              m_provider->requests().at(1)["path"].text());
}

TEST_F(Transport, FormPostsSendUtf8AndReturnTheBodyWhateverTheStatus) {
    m_provider->script(
        R"({"method": "*", "status": 500, "body": "server trouble \u00fc", "content_type": "text/plain; charset=utf-8"})");
    const std::wstring text =
        L"<keloAction><method name=\"getJobTypes\"><parameter "
        L"name=\"n\"><value>\u00fc</value></parameter></method></keloAction>";
    std::wstring answer = WinHTTPWrapper().httpPost(m_provider->serviceUrl(), text);
    EXPECT_EQ(L"server trouble \u00fc", answer);
    JsonValue record = m_provider->requests().at(0);
    EXPECT_EQ(webtest::utf8(text), record["body"].text());
    EXPECT_EQ("application/x-www-form-urlencoded", headerOf(record, "Content-type"));
    EXPECT_EQ(500, record["status"].integer());
}

TEST_F(Transport, AnswersWithoutAUtf8CharsetAreReadInTheAnsiCodePage) {
    m_provider->script(R"({"method": "*", "body": "caf\u00e9", "charset": "cp1252", "content_type": "text/plain"})");
    EXPECT_EQ(L"caf\u00e9", WinHTTPWrapper().httpPost(m_provider->serviceUrl(),
                                                      L"<keloAction><method name=\"m\"></method></keloAction>"));
    // An answer larger than any real one is not read to its end.
    m_provider->script(R"({"method": "*", "pad": 17000000})");
    EXPECT_EQ("WinHTTPWrapper::getResponse - the answer is larger than 16777216 bytes: error=234",
              webtest::errorMessageOf([&] {
                  WinHTTPWrapper().httpPost(m_provider->serviceUrl(),
                                            L"<keloAction><method name=\"m\"></method></keloAction>");
              }));
}

TEST_F(Transport, SecureRequestsAcceptTheProvidersOwnCertificate) {
    std::wstring answer = WinHTTPWrapper().httpPost(m_provider->serviceUrl(true),
                                                    L"<keloAction><method name=\"getProtocol\"></method></keloAction>");
    EXPECT_NE(std::wstring::npos, answer.find(L"protocolSheme")) << webtest::utf8(answer);
    EXPECT_TRUE(m_provider->requests().at(0)["tls"].boolean());

    const std::wstring path = file(L"secure.ps", "secure bytes");
    WinHTTPWrapper().httpPostFile(m_provider->url(ProviderStandIn::kUploadPath, true), FormFields(), path,
                                  L"application/ps", nullptr);
    EXPECT_TRUE(m_provider->requests().at(1)["tls"].boolean());
    EXPECT_EQ("secure bytes", m_provider->uploadedFile(0, false));
}

TEST_F(Transport, FailuresCarryTheStepAndTheSystemError) {
    const std::wstring closed = L"http://127.0.0.1:" + std::to_wstring(closedPort());
    WinHTTPWrapper http;
    EXPECT_EQ("WinHTTPWrapper::httpGet::httpPost: error=12029",
              webtest::errorMessageOf([&] { http.httpPost(closed + L"/x", L"<x/>"); }));
    EXPECT_EQ(12029u, http.lastError());

    const std::wstring path = file(L"f.ps", "f");
    EXPECT_EQ("WinHTTPWrapper::httpPostFile 1: error=12029", webtest::errorMessageOf([&] {
                  http.httpPostFile(closed + L"/x", FormFields(), path, L"application/ps", nullptr);
              }));

    const std::wstring missing = m_folder + L"missing.ps";
    EXPECT_EQ("WinHTTPWrapper::httpPostFile->file " + webtest::utf8(missing) + " does not exist",
              webtest::errorMessageOf(
                  [&] { http.httpPostFile(uploadUrl(), FormFields(), missing, L"application/ps", nullptr); }));
    EXPECT_EQ(0u, m_provider->requests().size());

    // A connection that breaks while the body is written.
    m_provider->script(R"({"method": "upload", "close_after": 4096, "close": "reset"})");
    const std::wstring big = file(L"big.ps", std::string(4 * 1024 * 1024, 'z'));
    std::string message =
        webtest::errorMessageOf([&] { http.httpPostFile(uploadUrl(), FormFields(), big, L"application/ps", nullptr); });
    EXPECT_TRUE(message.find("WinHTTPWrapper::sendDataChunk: error=") == 0 ||
                message.find("WinHTTPWrapper::httpPostFile: error=") == 0)
        << message;
}
