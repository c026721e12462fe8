// Request documents built from dictionaries and answer documents read back into them,
// on the real MSXML 3 DOM and Scripting.Dictionary.
#include "server_connection.h"
#include "web_test_support.h"
#include "xml_document.h"

#include <comdef.h>

#include "bstr.h"

using namespace web;
using webtest::TestDictionary;

namespace {

class Envelope : public webtest::StaTest {
protected:
    static std::vector<std::wstring> valueTexts(IXMLDOMNode* element) {
        std::vector<std::wstring> texts;
        for (auto& value : xml::selectNodes(element, L"./value")) texts.push_back(xml::text(value.Get()));
        return texts;
    }
    static ComPtr<IXMLDOMNode> parameter(IXMLDOMNode* element, const std::wstring& name) {
        return xml::selectSingleNode(element, (L"./parameter[@name='" + name + L"']").c_str());
    }
    static ScriptDictionary wrap(const TestDictionary& dictionary) { return ScriptDictionary::from(dictionary.get()); }

    // The answer document's method element as the component reads it.
    TestDictionary answer(const std::wstring& document) {
        HRESULT hr = S_OK;
        ComPtr<IXMLDOMDocument> doc = xml::createDocument(&hr);
        EXPECT_TRUE(doc) << std::hex << hr;
        EXPECT_TRUE(xml::load(doc.Get(), document));
        return TestDictionary(
            m_connection.dictFromXML(xml::selectSingleNode(doc.Get(), L"/keloResult/method").Get()).get());
    }

    C_serverConnection m_connection;
};

}  // namespace

TEST_F(Envelope, AValueGivenByReferenceIsTakenAsTheValue) {
    BStr text(L"by reference");
    Variant reference;
    reference.vt = VT_BSTR | VT_BYREF;
    BSTR raw = text.get();
    reference.pbstrVal = &raw;
    TestDictionary parameters;
    parameters.add(L"ref", reference);
    ComPtr<IXMLDOMElement> method = m_connection.method2xml(L"m", wrap(parameters));
    EXPECT_EQ(std::vector<std::wstring>{L"by reference"}, valueTexts(parameter(method.Get(), L"ref").Get()));
}

TEST_F(Envelope, ObjectsThatAreNoDictionaryAndSelfNestingAreRefused) {
    TestDictionary withNull;
    withNull.add(L"nothing", Variant((IDispatch*)nullptr));
    EXPECT_EQ("C_serverConnection::addDictParam - cannot add NULL dictionary",
              webtest::errorMessageOf([&] { m_connection.method2xml(L"m", wrap(withNull)); }));

    HRESULT hr = S_OK;
    ComPtr<IXMLDOMDocument> notADictionary = xml::createDocument(&hr);
    TestDictionary withDocument;
    withDocument.add(L"doc", Variant((IDispatch*)notADictionary.Get()));
    EXPECT_EQ("C_serverConnection::addDictParam - cannot add NULL dictionary",
              webtest::errorMessageOf([&] { m_connection.method2xml(L"m", wrap(withDocument)); }));

    TestDictionary loop;
    loop.add(L"self", Variant(loop.get()));
    EXPECT_EQ("C_serverConnection::addDictParam - dictionaries nested too deeply",
              webtest::errorMessageOf([&] { m_connection.method2xml(L"m", wrap(loop)); }));
    loop.item(L"self");  // still a whole dictionary afterwards
}

TEST_F(Envelope, AnswersNestedTooDeeplyEndTheCall) {
    // 64 nested dictionaries are read; one more is refused, not followed.
    for (int depth : {64, 65}) {
        std::wstring nested = L"<value>x</value>";
        for (int i = 0; i <= depth; i++) nested = L"<parameter name='n'>" + nested + L"</parameter>";
        std::wstring document = L"<keloResult><method name='m'>" + nested + L"</method></keloResult>";
        std::string failure = webtest::errorMessageOf([&] { answer(document); });
        EXPECT_EQ(depth == 64 ? "<no error>" : "C_serverConnection::dictFromXML - parameters nested too deeply",
                  failure);
    }
}

TEST_F(Envelope, RequestsWithoutAConnectionFailBeforeSending) {
    EXPECT_FALSE(m_connection.connected());
    EXPECT_EQ("C_serverConnection::serverCommand - not connected to host",
              webtest::errorMessageOf([&] { m_connection.invoke(L"getJobTypes", ScriptDictionary()); }));
    m_connection.disconnect();  // never fails
    EXPECT_EQ(L"", m_connection.serverUrl());
}
