// command against the provider stand-in: the request document the server receives,
// the answer as a dictionary, and the failure table.
#include "component_fixture.h"

#include "bstr.h"

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
        IDictionary* result = poisoned<IDictionary*>();
        HRESULT hr = m_web->command(BStr(method).get(), parameters ? parameters->dictionary() : nullptr, &result);
        if (SUCCEEDED(hr)) {
            EXPECT_NE(nullptr, result);
            if (answer && result) *answer = TestDictionary(result);
            if (result) result->Release();
        } else {
            EXPECT_EQ(nullptr, result);
        }
        return hr;
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
    EXPECT_EQ(L"1001", answer.text(L"jobId"));
    EXPECT_EQ(6u, parameters.keys().size()) << "the caller's dictionary is not changed";

    JsonValue request = m_provider->requests("createJob").at(0);
    const std::string body = m_provider->requestBody(request["seq"].integer());
    EXPECT_EQ(0u, body.find("<keloAction>")) << body;  // no declaration before the root
    EXPECT_NE(std::string::npos, body.find("<method name=\"createJob\">")) << body;
    EXPECT_EQ(1, request["method_count"].integer());
    EXPECT_EQ(
        "{jobName:Quarterly <report> & \xC3\xBC"
        "bersicht,pageWidth:8.5,pageCount:-12,jobId:1001,"
        "options:{inner:v,number:3,deeper:{z:1}},a_last:}",
        flat(request["values"]));
}

TEST_F(Command, AnswersBecomeStringsArraysAndNestedDictionariesWhateverTheStatus) {
    m_provider->script(R"({"method": "getSteps", "status": 500, "answer": {"one": "single", "three": ["a", "<b>", "c"],
        "nested": {"k": "v", "deeper": {"x": "1"}, "pair": ["p", "q"]}, "nothing": {}, "special": "<a & 'b'>",
        "text": "Gr\u00fc\u00dfe \u65e5\u672c"}})");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"getSteps", nullptr, &answer));
    EXPECT_EQ(
        L"{returnCode:OK,steps:{1:Paper,2:Finishing},one:single,three:[a,<b>,c],nested:{k:v,deeper:{x:1},pair:[p,q]},"
        L"special:<a & 'b'>,"
        L"text:Gr\u00fc\u00dfe \u65e5\u672c}",
        flat(Variant(answer.get())));  // an empty dictionary is left out; the text was escaped twice
}

TEST_F(Command, FailuresArriveWithTheirHresultsAndDescriptions) {
    auto body = [](const std::string& method) {
        return R"({"method": "getJobTypes", "times": 1, "body": ")" + method + "\"}";
    };
    auto nested = [](int depth) {
        std::string parameter = "<value>x</value>";
        for (int i = 0; i <= depth; i++) parameter = "<parameter name='n'>" + parameter + "</parameter>";
        return "<keloResult><method name='getJobTypes'>" + parameter + "</method></keloResult>";
    };
    const std::pair<std::string, std::wstring> failures[] = {
        // the description's start
        {R"({"method": "getJobTypes", "malformed": true, "times": 1})", L"Error "},
        {body("<other><method name='x'/></other>"), L"C_serverConnection::dictFromXML - cannot extract from NULL XML"},
        // A document type could read a local file through its entity.
        {body("<!DOCTYPE keloResult [<!ENTITY e SYSTEM 'file:///C:/windows/win.ini'>]><keloResult><method "
              "name='getJobTypes'><parameter name='a'><value>&e;</value></parameter></method></keloResult>"),
         L"Error the answer holds a document type declaration, which is refused"},
        {R"({"method": "getJobTypes", "pad": 17000000, "times": 1})",
         L"C_serverConnection::serverCommand - the answer is larger than 16777216 bytes"},
        {body(nested(65)), L"C_serverConnection::dictFromXML - parameters nested too deeply"},
    };
    for (const auto& [script, description] : failures) {
        m_provider->script(script);
        const std::wstring expected = L"80020009 KeloWeb.iWeb.1: " + description;
        EXPECT_EQ(expected, failure(command(L"getJobTypes", nullptr, nullptr)).substr(0, expected.size())) << script;
    }
    // Objects that are no dictionary and dictionaries holding themselves are refused before sending.
    TestDictionary withNull, withObject, loop;
    withNull.add(L"nothing", Variant((IDispatch*)nullptr));
    withObject.add(L"web", Variant((IDispatch*)m_web.Get()));
    loop.add(L"self", Variant(loop.get()));
    for (TestDictionary* refused : {&withNull, &withObject, &loop}) {
        EXPECT_EQ(std::wstring(L"80020009 KeloWeb.iWeb.1: C_serverConnection::addDictParam - ") +
                      (refused == &loop ? L"dictionaries nested too deeply" : L"cannot add NULL dictionary"),
                  failure(command(L"createJob", refused, nullptr)));
    }
    EXPECT_EQ(0u, m_provider->requests("createJob").size());
    m_provider->script(body(nested(64)));
    EXPECT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, nullptr)) << "64 nested dictionaries are read";

    // A refusal is an ordinary answer here: the client reads its returnCode itself.
    m_provider->failMethod("getJobTypes", "ERROR_NO_RIGHTS", "Not allowed", 1);
    TestDictionary refused;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, &refused));
    EXPECT_EQ(L"{returnCode:ERROR_NO_RIGHTS,returnMessage:Not allowed}", flat(Variant(refused.get())));
}
