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
    BStr text(L"by reference");
    BSTR raw = text.get();
    Variant reference;
    reference.vt = VT_BSTR | VT_BYREF;
    reference.pbstrVal = &raw;
    TestDictionary parameters;
    parameters.add(L"jobName", L"Quarterly <report> & \u00fcbersicht")
        .add(L"pageWidth", Variant(8.5))
        .add(L"pageCount", Variant((short)-12))
        .add(L"jobId", Variant(1001L))
        .add(L"options", Variant(nested.get()))
        .add(L"ref", reference)
        .add(L"a_last", L"");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"createJob", &parameters, &answer));
    EXPECT_EQ(L"1001", answer.text(L"jobId"));
    EXPECT_EQ(7u, parameters.keys().size()) << "the caller's dictionary is not changed";

    JsonValue request = m_provider->requests("createJob").at(0);
    const std::string body = m_provider->requestBody(request["seq"].integer());
    EXPECT_EQ(0u, body.find("<keloAction>")) << body;  // no declaration before the root
    EXPECT_NE(std::string::npos, body.find("<method name=\"createJob\">")) << body;
    EXPECT_EQ(1, request["method_count"].integer());
    EXPECT_EQ(
        "{jobName:Quarterly <report> & \xC3\xBC"
        "bersicht,pageWidth:8.5,pageCount:-12,jobId:1001,"
        "options:{inner:v,number:3,deeper:{z:1}},ref:by reference,a_last:}",
        flat(request["values"]));
    EXPECT_EQ("dictionary", request["parameters"].at(4)["kind"].text());

    // An empty or missing dictionary sends a method without children.
    TestDictionary empty;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", &empty, nullptr));
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, nullptr));
    JsonValue childless = m_provider->requests("getJobTypes");
    for (size_t i = 0; i < 2; i++) {
        EXPECT_EQ(0u, childless.at(i)["parameters"].size()) << i;
        EXPECT_EQ(0u, childless.at(i)["other_children"].size()) << i;
    }
}

TEST_F(Command, AnswersBecomeStringsArraysAndNestedDictionariesWhateverTheStatus) {
    m_provider->script(R"({"method": "getSteps", "status": 500, "answer": {"one": "single", "three": ["a", "<b>", "c"],
        "nested": {"k": "v", "deeper": {"x": "1"}, "pair": ["p", "q"]}, "nothing": {}, "special": "<a & 'b'>",
        "text": "Gr\u00fc\u00dfe \u65e5\u672c"}})");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"getSteps", nullptr, &answer));
    EXPECT_EQ(L"OK", answer.text(L"returnCode"));
    EXPECT_EQ(L"single", answer.text(L"one"));
    EXPECT_EQ(L"Gr\u00fc\u00dfe \u65e5\u672c", answer.text(L"text"));
    EXPECT_EQ(L"<a & 'b'>", answer.text(L"special"));  // escaped twice by the server
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"<b>", L"c"}), arrayTexts(answer.item(L"three")));
    Variant nested = answer.item(L"nested");
    ASSERT_EQ(VT_DISPATCH, nested.vt);
    TestDictionary inner(nested.pdispVal);
    EXPECT_EQ(L"v", inner.text(L"k"));
    EXPECT_EQ((std::vector<std::wstring>{L"p", L"q"}), arrayTexts(inner.item(L"pair")));
    Variant deeper = inner.item(L"deeper");
    ASSERT_EQ(VT_DISPATCH, deeper.vt);
    EXPECT_EQ(L"1", TestDictionary(deeper.pdispVal).text(L"x"));
    EXPECT_FALSE(answer.exists(L"nothing"));
}

TEST_F(Command, TheSecondDecodingUndoesOneLevelAndDropsOtherReferences) {
    m_provider->script(R"({"method": "getTermsAndConditions", "escape": "once", "answer": {"result":
        "Terms &amp;amp; conditions", "named": "&GT;&lt;&Apos;&AMP;", "quoted": "say &quot;hi&quot;",
        "plain": "a & b", "numeric": "x&#65;y", "unknown": "a &x ;b & c"}})");
    TestDictionary answer;
    ASSERT_HRESULT_SUCCEEDED(command(L"getTermsAndConditions", nullptr, &answer));
    const std::pair<const wchar_t*, const wchar_t*> decoded[] = {
        {L"result", L"Terms &amp; conditions"},
        {L"named", L"><'&"},
        {L"quoted", L"say hi"},
        {L"plain", L"a & b"},
        {L"numeric", L"xy"},
        {L"unknown", L"a b & c"},
    };
    for (const auto& [name, text] : decoded) EXPECT_EQ(text, answer.text(name)) << lab::toUtf8(name);
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
        CallResult failed = takeCallResult(command(L"getJobTypes", nullptr, nullptr));
        EXPECT_EQ(DISP_E_EXCEPTION, failed.hr) << script;
        EXPECT_EQ(description, failed.description.substr(0, description.size())) << script;
        EXPECT_EQ(L"KeloWeb.iWeb.1", failed.source);
    }
    // Objects that are no dictionary and dictionaries holding themselves are refused before sending.
    TestDictionary withNull, withObject, loop;
    withNull.add(L"nothing", Variant((IDispatch*)nullptr));
    withObject.add(L"web", Variant((IDispatch*)m_web.Get()));
    loop.add(L"self", Variant(loop.get()));
    for (TestDictionary* refused : {&withNull, &withObject, &loop}) {
        CallResult result = takeCallResult(command(L"createJob", refused, nullptr));
        EXPECT_EQ(DISP_E_EXCEPTION, result.hr);
        EXPECT_EQ(refused == &loop ? L"C_serverConnection::addDictParam - dictionaries nested too deeply"
                                   : L"C_serverConnection::addDictParam - cannot add NULL dictionary",
                  result.description);
    }
    EXPECT_EQ(0u, m_provider->requests("createJob").size());
    m_provider->script(body(nested(64)));
    EXPECT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, nullptr)) << "64 nested dictionaries are read";

    // The dictionary's own error for a name given twice.
    m_provider->script(
        body("<keloResult><method name='getJobTypes'><parameter name='a'><value>1</value></parameter>"
             "<parameter name='a'><value>2</value></parameter></method></keloResult>"));
    EXPECT_EQ((HRESULT)0x800A01C9, command(L"getJobTypes", nullptr, nullptr));

    // A refusal is an ordinary answer here: the client reads its returnCode itself.
    m_provider->failMethod("getJobTypes", "ERROR_NO_RIGHTS", "Not allowed", 1);
    TestDictionary refused;
    ASSERT_HRESULT_SUCCEEDED(command(L"getJobTypes", nullptr, &refused));
    EXPECT_EQ(L"ERROR_NO_RIGHTS", refused.text(L"returnCode"));
    EXPECT_EQ(L"Not allowed", refused.text(L"returnMessage"));

    // A server that resets every connection: the request object's own error.
    m_provider->script(R"({"method": "getJobTypes", "close": "reset"})");
    CallResult reset = takeCallResult(command(L"getJobTypes", nullptr, nullptr));
    EXPECT_TRUE(FAILED(reset.hr));
    EXPECT_FALSE(reset.description.empty());
    EXPECT_EQ(L"KeloWeb.iWeb.1", reset.source);
}
