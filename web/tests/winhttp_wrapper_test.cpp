// WinHTTPWrapper against the provider stand-in: the multipart body byte for byte, the
// blocks it is written in, ports, queries, answers' code pages and every failure text.
#include <winsock2.h>

#include "multipart_form.h"
#include "provider_client.h"
#include "web_test_support.h"
#include "winhttp_wrapper.h"

#include "lab_paths.h"
#include "lab_text.h"

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

std::string field(const std::string& name, const std::string& value) {  // one form field's part
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

std::string headerOf(const JsonValue& record, const std::string& name) {
    const JsonValue& headers = record["headers"];
    for (size_t i = 0; i < headers.size(); i++)
        if (_stricmp(headers.at(i).at(0).text().c_str(), name.c_str()) == 0) return headers.at(i).at(1).text();
    return "<missing>";
}

class Transport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { m_provider = std::make_unique<ProviderStandIn>(); }
    static void TearDownTestSuite() { m_provider.reset(); }
    void SetUp() override { m_provider->reset(); }

    static inline std::unique_ptr<ProviderStandIn> m_provider;
    lab::TempFolder m_folder{L"kelo-http"};
};

}  // namespace

TEST_F(Transport, TheMultipartBodyIsHeadFileSortedFieldsAndClosingWrittenInBlocksOf10240Bytes) {
    for (size_t size : {0u, 10240u, 10241u, 25000u}) {
        m_provider->clearRecords();
        const std::string bytes = documentBytes(size, 7);
        const std::wstring path = m_folder.file(L"job \u00fc.ps");
        lab::writeFileBytes(path, bytes);
        FormFields fields;
        for (const auto& [name, value] : {std::make_pair(L"zeta", L"z"), std::make_pair(L"Alpha", L"a b"),
                                          std::make_pair(L"beta", L"gr\u00fc\u00dfe")})
            if (size) fields.add(name, value);
        RecordingSink sink;
        WinHTTPWrapper().httpPostFile(m_provider->url(ProviderStandIn::kUploadPath), fields, path, L"application/ps",
                                      &sink);

        const std::string head = "--" + kBoundary +
                                 "\r\nContent-Disposition: form-data; name=\"Filedata\"; filename=\"" +
                                 lab::toUtf8(path) + "\"\r\nContent-Type:application/ps\r\n\r\n";
        const std::string tail = (size ? field("Alpha", "a b") +
                                             field("beta",
                                                   "gr\xC3\xBC\xC3\x9F"
                                                   "e") +
                                             field("zeta", "z")
                                       : "") +
                                 "--" + kBoundary + "\r\n--\r\n";
        JsonValue record = m_provider->requests().at(0);
        const std::string body = m_provider->requestBody(record["seq"].integer());
        EXPECT_TRUE(head + bytes + tail == body) << size << ": " << body.substr(0, 400);
        EXPECT_EQ(
            "POST multipart/form-data; boundary=" + kBoundary + " Orbel HTTP Client " + std::to_string(body.size()),
            record["verb"].text() + " " + headerOf(record, "Content-Type") + " " + headerOf(record, "User-Agent") +
                " " + headerOf(record, "Content-Length"));
        std::vector<std::string> expected = {"start " + std::to_string(body.size()),
                                             "advance " + std::to_string(head.size())};
        for (size_t left = size; left > 0; left -= std::min<size_t>(left, 10240))
            expected.push_back("advance " + std::to_string(std::min<size_t>(left, 10240)));
        expected.push_back("advance " + std::to_string(tail.size()));
        EXPECT_EQ(expected, sink.calls) << size;
    }
}

TEST_F(Transport, AnswersWithoutAUtf8CharsetAreReadInTheAnsiCodePage) {
    m_provider->script(R"({"method": "*", "body": "caf\u00e9", "charset": "cp1252", "content_type": "text/plain"})");
    EXPECT_EQ(L"caf\u00e9", WinHTTPWrapper().httpPost(m_provider->serviceUrl(),
                                                      L"<keloAction><method name=\"m\"></method></keloAction>"));
}

// The step and the system error reach a script as the description of command's failure.
TEST_F(Transport, FailuresCarryTheStepAndTheSystemError) {
    WinHTTPWrapper http;
    EXPECT_EQ("WinHTTPWrapper::httpGet::httpPost: error=12029", webtest::errorMessageOf([&] {
                  http.httpPost(L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/x", L"<x/>");
              }));
    EXPECT_EQ(12029u, http.lastError());
}
