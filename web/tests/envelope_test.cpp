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
    // The names of the element's "parameter" children, in order.
    static std::vector<std::wstring> parameterNames(IXMLDOMNode* element) {
        std::vector<std::wstring> names;
        for (auto& parameter : xml::selectNodes(element, L"./parameter"))
            names.push_back(xml::attribute(parameter.Get(), L"name").toString());
        return names;
    }
    static std::vector<std::wstring> valueTexts(IXMLDOMNode* element) {
        std::vector<std::wstring> texts;
        for (auto& value : xml::selectNodes(element, L"./value")) texts.push_back(xml::text(value.Get()));
        return texts;
    }
    static ComPtr<IXMLDOMNode> parameter(IXMLDOMNode* element, const std::wstring& name) {
        return xml::selectSingleNode(element, (L"./parameter[@name='" + name + L"']").c_str());
    }
    static long childCount(IXMLDOMNode* node) {
        ComPtr<IXMLDOMNodeList> children;
        long length = -1;
        if (SUCCEEDED(node->get_childNodes(&children))) children->get_length(&length);
        return length;
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

TEST_F(Envelope, ParametersFollowInsertionOrderWithStringsIntegersAndDoublesAsValues) {
    TestDictionary nested, deeper;
    deeper.add(L"z", L"1");
    nested.add(L"k", L"v").add(L"deeper", Variant(deeper.get()));
    TestDictionary parameters;
    parameters.add(L"zulu", L"x<&'\"y")
        .add(L"alpha", Variant(nested.get()))
        .add(L"long", Variant(42L))
        .add(L"short", Variant((short)-7))
        .add(L"double", Variant(2.5))
        .add(L"empty", L"");

    ComPtr<IXMLDOMElement> method = m_connection.method2xml(L"login", wrap(parameters));
    ASSERT_TRUE(method);
    EXPECT_EQ(L"login", xml::attribute(method.Get(), L"name").toString());
    EXPECT_EQ((std::vector<std::wstring>{L"zulu", L"alpha", L"long", L"short", L"double", L"empty"}),
              parameterNames(method.Get()));
    EXPECT_EQ(std::vector<std::wstring>{L"x<&'\"y"}, valueTexts(parameter(method.Get(), L"zulu").Get()));
    EXPECT_EQ(std::vector<std::wstring>{L"42"}, valueTexts(parameter(method.Get(), L"long").Get()));
    EXPECT_EQ(std::vector<std::wstring>{L"-7"}, valueTexts(parameter(method.Get(), L"short").Get()));
    EXPECT_EQ(std::vector<std::wstring>{L"2.5"}, valueTexts(parameter(method.Get(), L"double").Get()));
    EXPECT_EQ(std::vector<std::wstring>{L""}, valueTexts(parameter(method.Get(), L"empty").Get()));

    // A nested dictionary: nested parameters and no value of its own.
    ComPtr<IXMLDOMNode> alpha = parameter(method.Get(), L"alpha");
    EXPECT_TRUE(valueTexts(alpha.Get()).empty());
    EXPECT_EQ((std::vector<std::wstring>{L"k", L"deeper"}), parameterNames(alpha.Get()));
    ComPtr<IXMLDOMNode> deep = parameter(alpha.Get(), L"deeper");
    EXPECT_TRUE(valueTexts(deep.Get()).empty());
    EXPECT_EQ(std::vector<std::wstring>{L"1"}, valueTexts(parameter(deep.Get(), L"z").Get()));
}

TEST_F(Envelope, AnEmptyOrMissingDictionaryGivesAChildlessMethod) {
    TestDictionary empty;
    ComPtr<IXMLDOMElement> method = m_connection.method2xml(L"getJobTypes", wrap(empty));
    ASSERT_TRUE(method);
    EXPECT_EQ(0, childCount(method.Get()));
    method = m_connection.method2xml(L"disconnect", ScriptDictionary());
    ASSERT_TRUE(method);
    EXPECT_EQ(0, childCount(method.Get()));
    EXPECT_EQ(L"disconnect", xml::attribute(method.Get(), L"name").toString());
}

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

TEST_F(Envelope, AnswerValuesBecomeStringsArraysAndDictionaries) {
    TestDictionary result = answer(
        L"<keloResult><method name='other'>"
        L"<parameter name='one'><value>a&amp;amp;b</value></parameter>"
        L"<parameter name='three'><value>1</value><value>&amp;lt;2&amp;gt;</value><value>3</value></parameter>"
        L"<parameter name='nested'><parameter name='k'><value>v</value></parameter>"
        L"<parameter name='list'><value>x</value><value>y</value></parameter></parameter>"
        L"<parameter name='empty'></parameter>"
        L"<parameter name='quoted'><value>say &amp;quot;hi&amp;quot; &amp;apos;now&amp;apos;</value></parameter>"
        L"</method></keloResult>");

    EXPECT_EQ((std::vector<std::wstring>{L"one", L"three", L"nested", L"quoted"}), result.keys());
    EXPECT_EQ(L"a&b", result.text(L"one"));
    Variant three = result.item(L"three");
    EXPECT_EQ(VT_ARRAY | VT_VARIANT, three.vt);
    EXPECT_EQ((std::vector<std::wstring>{L"1", L"<2>", L"3"}), webtest::arrayTexts(three));
    Variant nested = result.item(L"nested");
    ASSERT_EQ(VT_DISPATCH, nested.vt);
    TestDictionary inner(nested.pdispVal);
    EXPECT_EQ(L"v", inner.text(L"k"));
    EXPECT_EQ((std::vector<std::wstring>{L"x", L"y"}), webtest::arrayTexts(inner.item(L"list")));
    EXPECT_FALSE(result.exists(L"empty"));
    EXPECT_EQ(L"say hi 'now'", result.text(L"quoted"));
}

TEST_F(Envelope, AnswerProblemsEndTheCall) {
    EXPECT_EQ("C_serverConnection::dictFromXML - cannot extract from NULL XML",
              webtest::errorMessageOf([&] { m_connection.dictFromXML(nullptr); }));
    try {
        answer(
            L"<keloResult><method name='m'><parameter name='a'><value>1</value></parameter>"
            L"<parameter name='a'><value>2</value></parameter></method></keloResult>");
        FAIL() << "a key given twice was taken";
    } catch (const _com_error& error) {
        EXPECT_EQ((HRESULT)0x800A01C9, error.Error());
    }
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
