// connect and disconnect against the provider stand-in: the service address, the
// scrambled login with the locale's entries, the protocol switch, refusals and the
// errors the caller receives.
#include "component_fixture.h"

#include "bstr.h"

using namespace webtest;
using lab::JsonValue;

namespace {

const std::string kServicePath = "/brisvel/versions/250/site/kelo/services/web/printdriver/default.asp";

class Connect : public WebTest {
protected:
    // The names of a recorded request's parameters, in order.
    static std::vector<std::string> parameterNames(const JsonValue& request) {
        std::vector<std::string> names;
        for (size_t i = 0; i < request["parameters"].size(); i++)
            names.push_back(request["parameters"].at(i)["name"].text());
        return names;
    }
    static std::string valueOf(const JsonValue& request, const std::string& name) {
        return request["values"][name].text();
    }
    static std::string localeText(LCTYPE type) {
        char text[128] = {};
        GetLocaleInfoA(GetSystemDefaultLCID(), type, text, sizeof text);
        return text;
    }
};

}  // namespace

TEST_F(Connect, ABareHostGetsTheServicePageAndTheScrambledLoginInOrder) {
    TestDictionary parameters;
    parameters.add(L"clientVersion", L"2.5.0");
    VARIANT_BOOL ok = 0x1234;
    ASSERT_HRESULT_SUCCEEDED(connect(L"alice", L"secret", &parameters, &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    EXPECT_TRUE(connected());

    JsonValue requests = m_provider->requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("getProtocol", requests.at(0)["method"].text());
    EXPECT_EQ(0u, requests.at(0)["parameters"].size());
    EXPECT_EQ(kServicePath, requests.at(0)["path"].text());
    EXPECT_FALSE(requests.at(0)["tls"].boolean());
    bool noCache = false;
    for (size_t i = 0; i < requests.at(0)["headers"].size(); i++) {
        const JsonValue& header = requests.at(0)["headers"].at(i);
        noCache |= _stricmp(header.at(0).text().c_str(), "Cache-Control") == 0 && header.at(1).text() == "no-cache";
    }
    EXPECT_TRUE(noCache);

    JsonValue login = requests.at(1);
    EXPECT_EQ("login", login["method"].text());
    EXPECT_EQ(kServicePath, login["path"].text());
    EXPECT_EQ((std::vector<std::string>{"clientVersion", "encrypt", "username", "password", "codepage", "languageId",
                                        "language"}),
              parameterNames(login));
    EXPECT_EQ("1", valueOf(login, "encrypt"));
    EXPECT_EQ(scrambled(L"alice"), login["values"]["username"].wide());
    EXPECT_EQ(scrambled(L"secret"), login["values"]["password"].wide());
    EXPECT_EQ(localeText(LOCALE_IDEFAULTANSICODEPAGE), valueOf(login, "codepage"));
    EXPECT_EQ(std::to_string(strtol(localeText(LOCALE_ILANGUAGE).c_str(), nullptr, 16)), valueOf(login, "languageId"));
    EXPECT_EQ(localeText(LOCALE_SLANGUAGE), valueOf(login, "language"));
    EXPECT_TRUE(login["login"]["accepted"].boolean());
    EXPECT_EQ("alice", login["login"]["username"].text());

    // The caller's dictionary now holds the login's entries.
    EXPECT_EQ((std::vector<std::wstring>{L"clientVersion", L"encrypt", L"username", L"password", L"codepage",
                                         L"languageId", L"language"}),
              parameters.keys());
    EXPECT_EQ(L"http://" + host(), serverUrl());
}

TEST_F(Connect, TheHttpsAnswerSwitchesTheAddressAndTheTransport) {
    m_provider->settings(R"({"protocol": "https://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    EXPECT_TRUE(connected());
    JsonValue requests = m_provider->requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_FALSE(requests.at(0)["tls"].boolean());  // the negotiation itself is plain
    EXPECT_TRUE(requests.at(1)["tls"].boolean());
    EXPECT_EQ("Orbel HTTP Client", [&] {
        const JsonValue& headers = requests.at(1)["headers"];
        for (size_t i = 0; i < headers.size(); i++)
            if (headers.at(i).at(0).text() == "User-Agent") return headers.at(i).at(1).text();
        return std::string();
    }());
    EXPECT_EQ(L"https://" + host(), serverUrl());

    // Later calls stay secure.
    ComPtr<IDictionary> result;
    ASSERT_HRESULT_SUCCEEDED(m_web->command(BStr(L"getJobTypes").get(), nullptr, &result));
    EXPECT_TRUE(m_provider->requests("getJobTypes").at(0)["tls"].boolean());
}

TEST_F(Connect, AnHttpAnswerKeepsThePlainAddress) {
    m_provider->answerMethod("getProtocol", R"({"protocolSheme": "http://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    EXPECT_FALSE(m_provider->requests("login").at(0)["tls"].boolean());
    EXPECT_EQ(L"http://" + host(), serverUrl());
}

TEST_F(Connect, ARefusedLoginFailsWithTheServersTextAndLeavesNoConnection) {
    VARIANT_BOOL ok = 0x1234;
    CallResult result = takeCallResult(connect(L"alice", L"wrong", nullptr, &ok));
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_EQ(L"Invalid user name or password", result.description);
    EXPECT_EQ(L"KeloWeb.iWeb.1", result.source);
    EXPECT_TRUE(result.guid == GUID_NULL);
    EXPECT_EQ(VARIANT_FALSE, ok);
    EXPECT_FALSE(connected());
    EXPECT_EQ(L"", serverUrl());
    ComPtr<IDictionary> answer;
    CallResult after = takeCallResult(m_web->command(BStr(L"getJobTypes").get(), nullptr, &answer));
    EXPECT_EQ(DISP_E_EXCEPTION, after.hr);
    EXPECT_EQ(L"C_serverConnection::serverCommand - not connected to host", after.description);
}

TEST_F(Connect, ErrorCodesInAnyLetterCaseAreRefusalsButNotWithoutTheUnderscore) {
    m_provider->failMethod("login", "error_account_locked", "Account locked", 1);
    CallResult refused = takeCallResult(connect());
    EXPECT_EQ(E_FAIL, refused.hr);
    EXPECT_EQ(L"Account locked", refused.description);
    EXPECT_FALSE(connected());

    m_provider->failMethod("login", "ERROR", "only a word", 1);
    VARIANT_BOOL ok = 0;
    EXPECT_HRESULT_SUCCEEDED(connect(L"alice", L"secret", nullptr, &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    EXPECT_TRUE(connected());
}

TEST_F(Connect, TheSameDictionaryTwiceFailsTheSecondTimeQuietly) {
    TestDictionary parameters;
    ASSERT_HRESULT_SUCCEEDED(connect(L"alice", L"secret", &parameters));
    m_provider->clearRecords();
    VARIANT_BOOL ok = 0x1234;
    CallResult second = takeCallResult(connect(L"alice", L"secret", &parameters, &ok));
    EXPECT_EQ(S_OK, second.hr);
    EXPECT_FALSE(second.hasErrorInfo);
    EXPECT_EQ(VARIANT_FALSE, ok);
    EXPECT_EQ(0u, m_provider->requests().size());
    EXPECT_TRUE(connected());  // the first connection is untouched
}

TEST_F(Connect, ClosedPortsAndMalformedAnswersFailWithTheirTexts) {
    VARIANT_BOOL ok = 0x1234;
    BStr closedHost(L"127.0.0.1:" + std::to_wstring(closedPort()));
    TestDictionary parameters;
    CallResult closed = takeCallResult(m_web->connect(closedHost.get(), BStr(L"alice").get(), BStr(L"secret").get(),
                                                      parameters.as<IDictionary>(), &ok));
    EXPECT_EQ(E_FAIL, closed.hr);
    EXPECT_EQ(L"Unknown Error while connecting to Host", closed.description);
    EXPECT_EQ(VARIANT_FALSE, ok);
    EXPECT_FALSE(connected());

    m_provider->script(R"({"method": "getProtocol", "malformed": true, "times": 1})");
    CallResult malformed = takeCallResult(connect());
    EXPECT_EQ(E_FAIL, malformed.hr);
    EXPECT_EQ(0u, malformed.description.find(L"Error ")) << utf8(malformed.description);
    EXPECT_GT(malformed.description.size(), 6u);
    EXPECT_FALSE(connected());
}

TEST_F(Connect, AMissingDictionaryIsMadeByTheComponent) {
    VARIANT_BOOL ok = 0;
    ASSERT_HRESULT_SUCCEEDED(
        m_web->connect(BStr(host()).get(), BStr(L"alice").get(), BStr(L"secret").get(), nullptr, &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    EXPECT_EQ("1", m_provider->requests("login").at(0)["values"]["encrypt"].text());
}

TEST_F(Connect, DisconnectTellsTheServerAndAlwaysSucceeds) {
    ASSERT_HRESULT_SUCCEEDED(connect());
    EXPECT_HRESULT_SUCCEEDED(m_web->disconnect());
    EXPECT_FALSE(connected());
    EXPECT_EQ(L"", serverUrl());
    JsonValue disconnects = m_provider->requests("disconnect");
    ASSERT_EQ(1u, disconnects.size());
    EXPECT_EQ(0u, disconnects.at(0)["parameters"].size());
    EXPECT_EQ(0u, disconnects.at(0)["other_children"].size());

    // Without a connection, and with a server that fails, it still succeeds.
    EXPECT_HRESULT_SUCCEEDED(m_web->disconnect());
    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->script(R"({"method": "disconnect", "close": "reset"})");
    EXPECT_HRESULT_SUCCEEDED(m_web->disconnect());
    EXPECT_FALSE(connected());
    // And the object connects again afterwards.
    ASSERT_HRESULT_SUCCEEDED(connect());
    EXPECT_TRUE(connected());
}
