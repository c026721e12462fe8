// command against the provider stand-in: the request document the server receives,
// the answer as a dictionary, and the failure table.
#include "component_fixture.h"

#include "bstr.h"

#include <thread>

using namespace webtest;
using lab::JsonValue;

namespace {

class Command : public WebTest {
protected:
    void SetUp() override {
        WebTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(connect());
        m_provider->clearRecords();
    }

    HRESULT command(const std::wstring& method, TestDictionary* parameters, TestDictionary* answer) {
        IDictionary* result = reinterpret_cast<IDictionary*>(static_cast<uintptr_t>(0xdeadbeef));
        HRESULT hr = m_web->command(BStr(method).get(), parameters ? parameters->as<IDictionary>() : nullptr, &result);
        if (SUCCEEDED(hr)) {
            EXPECT_NE(nullptr, result);
            if (answer && result) *answer = TestDictionary(result);
            if (result) result->Release();
        } else {
            EXPECT_EQ(nullptr, result);
        }
        return hr;
    }

    static std::vector<std::string> names(const JsonValue& parameters) {
        std::vector<std::string> result;
        for (size_t i = 0; i < parameters.size(); i++) result.push_back(parameters.at(i)["name"].text());
        return result;
    }
};

}  // namespace

TEST_F(Command, TheRequestCarriesMethodAndParametersInInsertionOrder) {
    TestDictionary nested, deeper;
    deeper.add(L"z", L"1");
    nested.add(L"inner", L"v").add(L"number", Variant(3L)).add(L"deeper", Variant(deeper.get()));
    TestDictionary parameters;
    parameters.add(L"jobName", L"Quarterly <report> & \u00fcbersicht")
        .add(L"pageWidth", Variant(8.5))
        .add(L"pageCount", Variant((short)-12))
        .add(L"jobId", Variant(1001L))
        .add(L"options", Variant(nested.get()))
        .add(L"a_last", L"");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"createJob", &parameters, &answer));

    JsonValue request = m_provider->requests("createJob").at(0);
    EXPECT_FALSE(request.has("parse_error")) << request["parse_error"].text();
    const std::string body = m_provider->requestBody(request["seq"].integer());
    EXPECT_EQ(0u, body.find("<keloAction>")) << body;  // no declaration before the root
    EXPECT_NE(std::string::npos, body.find("<method name=\"createJob\">")) << body;
    EXPECT_EQ(1, request["method_count"].integer());
    EXPECT_EQ((std::vector<std::string>{"jobName", "pageWidth", "pageCount", "jobId", "options", "a_last"}),
              names(request["parameters"]));
    EXPECT_EQ(
        "Quarterly <report> & \xC3\xBC"
        "bersicht",
        request["values"]["jobName"].text());
    EXPECT_EQ("8.5", request["values"]["pageWidth"].text());
    EXPECT_EQ("-12", request["values"]["pageCount"].text());
    EXPECT_TRUE(request["values"].has("a_last")) << "an empty value is still sent";
    EXPECT_EQ("1001", request["values"]["jobId"].text());
    const JsonValue& options = request["parameters"].at(4);
    EXPECT_EQ("dictionary", options["kind"].text());
    EXPECT_EQ(0u, options["values"].size());
    EXPECT_EQ((std::vector<std::string>{"inner", "number", "deeper"}), names(options["parameters"]));
    EXPECT_EQ("3", request["values"]["options"]["number"].text());
    EXPECT_EQ("1", request["values"]["options"]["deeper"]["z"].text());
    // The caller's dictionary is not changed.
    EXPECT_EQ(6, parameters.count());
    EXPECT_EQ(L"1001", answer.text(L"jobId"));
}

TEST_F(Command, AnEmptyOrMissingDictionarySendsAChildlessMethod) {
    TestDictionary empty;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", &empty, nullptr));
    ASSERT_HRESULT_SUCCEEDED(command(L"getTermsAndConditions", nullptr, nullptr));
    for (const char* method : {"getJobTypes", "getTermsAndConditions"}) {
        JsonValue request = m_provider->requests(method).at(0);
        EXPECT_EQ(0u, request["parameters"].size()) << method;
        EXPECT_EQ(0u, request["other_children"].size()) << method;
        EXPECT_EQ(method, request["method"].text());
    }
}

TEST_F(Command, AnswersBecomeStringsArraysAndNestedDictionaries) {
    m_provider->answerMethod("getSteps", R"({"one": "single", "three": ["a", "<b>", "c"],
        "nested": {"k": "v", "deeper": {"x": "1"}, "pair": ["p", "q"]}, "nothing": {}, "special": "<a & 'b'>"})");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"getSteps", nullptr, &answer));
    EXPECT_EQ(L"OK", answer.text(L"returnCode"));
    EXPECT_EQ(L"single", answer.text(L"one"));
    Variant three = answer.item(L"three");
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, three.vt);
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"<b>", L"c"}), arrayTexts(three));
    Variant nested = answer.item(L"nested");
    ASSERT_EQ(VT_DISPATCH, nested.vt);
    TestDictionary inner(nested.pdispVal);
    EXPECT_EQ(L"v", inner.text(L"k"));
    EXPECT_EQ((std::vector<std::wstring>{L"p", L"q"}), arrayTexts(inner.item(L"pair")));
    Variant deeper = inner.item(L"deeper");
    ASSERT_EQ(VT_DISPATCH, deeper.vt);
    EXPECT_EQ(L"1", TestDictionary(deeper.pdispVal).text(L"x"));
    EXPECT_FALSE(answer.exists(L"nothing"));
    EXPECT_EQ(L"<a & 'b'>", answer.text(L"special"));  // escaped twice by the server
}

TEST_F(Command, TheSecondDecodingTurnsAmpAmpIntoOneAmpersandAndDropsQuotes) {
    m_provider->script(R"({"method": "getTermsAndConditions", "escape": "once", "answer":
        {"result": "Terms &amp;amp; conditions", "quoted": "say &quot;hi&quot;", "plain": "a & b", "numeric": "x&#65;y"}})");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"getTermsAndConditions", nullptr, &answer));
    EXPECT_EQ(L"Terms &amp; conditions", answer.text(L"result"));
    EXPECT_EQ(L"say hi", answer.text(L"quoted"));
    EXPECT_EQ(L"a & b", answer.text(L"plain"));
    EXPECT_EQ(L"xy", answer.text(L"numeric"));
    // The reference for an ampersand followed by "amp;" arrives as a single ampersand.
    EXPECT_NE(std::string::npos,
              m_provider->requests("getTermsAndConditions").at(0)["answer"].text().find("&amp;amp;amp;"));
}

TEST_F(Command, NonAsciiAnswersSurviveBothTransports) {
    m_provider->answerMethod("getTermsAndConditions", R"({"result": "Gr\u00fc\u00dfe \u65e5\u672c"})");
    TestDictionary plain;
    ASSERT_HRESULT_SUCCEEDED(command(L"getTermsAndConditions", nullptr, &plain));
    EXPECT_EQ(L"Gr\u00fc\u00dfe \u65e5\u672c", plain.text(L"result"));

    m_web->disconnect();
    m_provider->settings(R"({"protocol": "https://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    TestDictionary secure;
    ASSERT_HRESULT_SUCCEEDED(command(L"getTermsAndConditions", nullptr, &secure));
    EXPECT_EQ(L"Gr\u00fc\u00dfe \u65e5\u672c", secure.text(L"result"));
    EXPECT_TRUE(m_provider->requests("getTermsAndConditions").at(1)["tls"].boolean());
}

TEST_F(Command, TheHttpStatusIsNotExamined) {
    m_provider->script(R"({"method": "getJobStatus", "status": 500, "answer": {"status": "late"}})");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobStatus", nullptr, &answer));
    EXPECT_EQ(L"late", answer.text(L"status"));
}

TEST_F(Command, FailuresArriveWithTheirHresultsAndDescriptions) {
    m_provider->script(R"({"method": "getJobTypes", "malformed": true, "times": 1})");
    CallResult malformed = takeCallResult(command(L"getJobTypes", nullptr, nullptr));
    EXPECT_EQ(DISP_E_EXCEPTION, malformed.hr);
    EXPECT_EQ(0u, malformed.description.find(L"Error ")) << utf8(malformed.description);
    EXPECT_EQ(L"KeloWeb.iWeb.1", malformed.source);

    m_provider->script(R"({"method": "getJobTypes", "body": "<other><method name='x'/></other>", "times": 1})");
    CallResult noMethod = takeCallResult(command(L"getJobTypes", nullptr, nullptr));
    EXPECT_EQ(DISP_E_EXCEPTION, noMethod.hr);
    EXPECT_EQ(L"C_serverConnection::dictFromXML - cannot extract from NULL XML", noMethod.description);

    // The dictionary's own error for a name given twice.
    m_provider->script(R"({"method": "getJobTypes", "times": 1, "body":
        "<keloResult><method name='getJobTypes'><parameter name='a'><value>1</value></parameter><parameter name='a'><value>2</value></parameter></method></keloResult>"})");
    CallResult duplicate = takeCallResult(command(L"getJobTypes", nullptr, nullptr));
    EXPECT_EQ((HRESULT)0x800A01C9, duplicate.hr);
    EXPECT_FALSE(duplicate.description.empty());
    EXPECT_EQ(L"KeloWeb.iWeb.1", duplicate.source);

    // An answer that declares a document type is refused before parsing (its entity would
    // read a local file), and so is an answer larger than any real one.
    m_provider->script(
        R"({"method": "getJobTypes", "times": 1, "body": "<!DOCTYPE keloResult [<!ENTITY e SYSTEM 'file:///C:/windows/win.ini'>]><keloResult><method name='getJobTypes'><parameter name='a'><value>&e;</value></parameter></method></keloResult>"})");
    EXPECT_EQ(L"Error the answer holds a document type declaration, which is refused",
              takeCallResult(command(L"getJobTypes", nullptr, nullptr)).description);
    m_provider->script(R"({"method": "getJobTypes", "pad": 17000000, "times": 1})");
    EXPECT_EQ(L"C_serverConnection::serverCommand - the answer is larger than 16777216 bytes",
              takeCallResult(command(L"getJobTypes", nullptr, nullptr)).description);

    // A refusal is an ordinary answer here: the client reads its returnCode itself.
    m_provider->failMethod("getJobTypes", "ERROR_NO_RIGHTS", "Not allowed", 1);
    TestDictionary refused;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, &refused));
    EXPECT_EQ(L"ERROR_NO_RIGHTS", refused.text(L"returnCode"));
    EXPECT_EQ(L"Not allowed", refused.text(L"returnMessage"));

    // The connection still works afterwards.
    TestDictionary fine;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, &fine));
    EXPECT_EQ(L"OK", fine.text(L"returnCode"));

    // A server that resets every connection: the request object's own error.
    m_provider->script(R"({"method": "getJobTypes", "close": "reset"})");
    CallResult reset = takeCallResult(command(L"getJobTypes", nullptr, nullptr));
    EXPECT_TRUE(FAILED(reset.hr));
    EXPECT_FALSE(reset.description.empty());
    EXPECT_EQ(L"KeloWeb.iWeb.1", reset.source);
}

TEST_F(Command, CallsFromOtherThreadsUseTheSameConnection) {
    // The object was created and connected in this apartment; a thread of the
    // multithreaded apartment reaches it directly and shares its connection.
    HRESULT workerResult = E_FAIL;
    std::wstring returnCode;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            TestDictionary parameters;
            parameters.add(L"jobId", L"77");
            IDictionary* result = nullptr;
            workerResult = m_web->command(BStr(L"getJobStatus").get(), parameters.as<IDictionary>(), &result);
            if (result) {
                returnCode = TestDictionary(result).text(L"returnCode");
                result->Release();
            }
        }
        CoUninitialize();
        SetEvent(done);
    });
    // Keep this apartment's messages flowing while the worker calls.
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    worker.join();
    CloseHandle(done);
    EXPECT_HRESULT_SUCCEEDED(workerResult);
    EXPECT_EQ(L"OK", returnCode);
    EXPECT_EQ("77", m_provider->requests("getJobStatus").at(0)["values"]["jobId"].text());
}
