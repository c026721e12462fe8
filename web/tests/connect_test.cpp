// connect and disconnect against the provider stand-in: the service address, the
// scrambled login with the locale's entries, the protocol switch, refusals and the
// errors the caller receives.
#include "component_fixture.h"

#include "bstr.h"

using namespace webtest;
using lab::JsonValue;

namespace {
class Connect : public WebTest {};
}  // namespace

TEST_F(Connect, ABareHostGetsTheServicePageAndTheScrambledLoginInOrder) {
    TestDictionary parameters;
    parameters.add(L"clientVersion", L"2.5.0");
    VARIANT_BOOL ok = 0x1234;
    ASSERT_HRESULT_SUCCEEDED(connect(L"secret", &parameters, &ok));
    auto localeText = [](LCTYPE type) {
        char text[128] = {};
        GetLocaleInfoA(GetSystemDefaultLCID(), type, text, sizeof text);
        return std::string(text);
    };
    EXPECT_EQ(VARIANT_TRUE, ok);
    EXPECT_TRUE(connected());
    EXPECT_EQ(L"http://" + host(), serverUrl());

    JsonValue requests = m_provider->requests();
    ASSERT_EQ(2u, requests.size());
    const std::string page = lab::toUtf8(lab::ProviderStandIn::kServicePath);
    EXPECT_EQ("getProtocol " + page + " []", requests.at(0)["method"].text() + " " + requests.at(0)["path"].text() +
                                                 " " + flat(requests.at(0)["parameters"]));
    EXPECT_NE(std::string::npos, flat(requests.at(0)["headers"]).find("[Cache-Control,no-cache]"));

    JsonValue login = requests.at(1);
    EXPECT_EQ("login " + page, login["method"].text() + " " + login["path"].text());
    EXPECT_TRUE(login["login"]["accepted"].boolean());
    // Each code unit of the name and password shifted by 10 plus its position modulo 10.
    EXPECT_EQ("{clientVersion:2.5.0,encrypt:1,username:kwups,password:}po\x7Fs\xC2\x83,codepage:" +
                  localeText(LOCALE_IDEFAULTANSICODEPAGE) +
                  ",languageId:" + std::to_string(strtol(localeText(LOCALE_ILANGUAGE).c_str(), nullptr, 16)) +
                  ",language:" + localeText(LOCALE_SLANGUAGE) + "}",
              flat(login["values"]));
}

TEST_F(Connect, TheAnnouncedSchemeSwitchesTheAddressAndTheTransportForLaterCalls) {
    // An answer without "://" leaves the address as it was.
    for (const auto& [scheme, secure] :
         {std::make_pair("https://", true), std::make_pair("http://", false), std::make_pair("https", false)}) {
        m_provider->reset();
        m_provider->answerMethod("getProtocol", std::string(R"({"protocolSheme": ")") + scheme + "\"}");
        ASSERT_HRESULT_SUCCEEDED(connect()) << scheme;
        ComPtr<IDictionary> result;
        ASSERT_HRESULT_SUCCEEDED(m_web->command(BStr(L"getJobTypes").get(), nullptr, &result));
        JsonValue requests = m_provider->requests();
        ASSERT_EQ(3u, requests.size());
        EXPECT_FALSE(requests.at(0)["tls"].boolean()) << "the negotiation itself is plain";
        EXPECT_EQ(secure, requests.at(1)["tls"].boolean()) << scheme;
        EXPECT_EQ(secure, requests.at(2)["tls"].boolean()) << scheme;
        EXPECT_EQ((secure ? L"https://" : L"http://") + host(), serverUrl());
        m_web->disconnect();
    }
}

TEST_F(Connect, RefusalsAndBrokenAnswersFailWithTheirTextsAndLeaveNoConnection) {
    const std::tuple<const char*, const wchar_t*, std::wstring> refusals[] = {
        // script, password, description
        {nullptr, L"wrong", L"Invalid user name or password"},
        {R"({"method": "login", "error": "error_account_locked", "message": "Account locked", "times": 1})", L"secret",
         L"Account locked"},  // an error code in any letter case
    };
    for (const auto& [script, password, description] : refusals) {
        if (script) m_provider->script(script);
        VARIANT_BOOL ok = 0x1234;
        EXPECT_EQ(L"80004005 KeloWeb.iWeb.1: " + description, failure(connect(password, nullptr, &ok)));
        EXPECT_EQ(VARIANT_FALSE, ok);
        EXPECT_FALSE(connected());
        EXPECT_EQ(L"", serverUrl());
    }
    VARIANT_BOOL ok = 0x1234;
    TestDictionary parameters;
    EXPECT_EQ(L"80004005 KeloWeb.iWeb.1: Unknown Error while connecting to Host",
              failure(m_web->connect(BStr(L"127.0.0.1:" + std::to_wstring(closedPort())).get(), BStr(L"alice").get(),
                                     BStr(L"secret").get(), parameters.dictionary(), &ok)));
    EXPECT_EQ(VARIANT_FALSE, ok);
}

TEST_F(Connect, DisconnectTellsTheServerAndAlwaysSucceeds) {
    ASSERT_HRESULT_SUCCEEDED(connect());
    EXPECT_HRESULT_SUCCEEDED(m_web->disconnect());
    EXPECT_FALSE(connected());
    EXPECT_EQ(L"", serverUrl());
    EXPECT_EQ(1u, m_provider->requests("disconnect").size());

    // With a server that fails it still succeeds.
    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->script(R"({"method": "disconnect", "close": "reset"})");
    EXPECT_HRESULT_SUCCEEDED(m_web->disconnect());
    EXPECT_FALSE(connected());
}
