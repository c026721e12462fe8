// job.xml: content and the double escape of the name, read back through a DOM.
#include <comdef.h>

#include "bstr.h"
#include "engine_test_support.h"
#include "job_description.h"
#include "msxml_ids.h"
#include "variant.h"

#include <map>

using namespace engine;
using namespace enginetest;

namespace {

class JobDescriptionTest : public ComTest {
protected:
    // The root's name and its children's names and texts, as a DOM reader sees them.
    struct Tree {
        std::wstring root;
        std::vector<std::pair<std::wstring, std::wstring>> children;
        long attributes = 0;
    };

    Tree readBack() {
        Tree tree;
        ComPtr<IXMLDOMDocument> document;
        EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IXMLDOMDocument, (void**)document.GetAddressOf()));
        if (!document) return tree;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        EXPECT_HRESULT_SUCCEEDED(document->load(Variant(path().c_str()), &loaded));
        EXPECT_EQ(VARIANT_TRUE, loaded);
        ComPtr<IXMLDOMElement> root;
        if (FAILED(document->get_documentElement(&root)) || !root) return tree;
        BStr name;
        root->get_nodeName(name.out());
        tree.root = name.str();
        ComPtr<IXMLDOMNodeList> children;
        root->get_childNodes(&children);
        long count = 0;
        children->get_length(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IXMLDOMNode> child;
            children->get_item(i, &child);
            DOMNodeType type;
            child->get_nodeType(&type);
            if (type != NODE_ELEMENT) continue;
            BStr childName, text;
            child->get_nodeName(childName.out());
            child->get_text(text.out());
            ComPtr<IXMLDOMNamedNodeMap> attributes;
            long attributeCount = 0;
            if (SUCCEEDED(child->get_attributes(&attributes)) && attributes) attributes->get_length(&attributeCount);
            tree.attributes += attributeCount;
            tree.children.emplace_back(childName.str(), text.str());
        }
        return tree;
    }

    std::wstring path() const { return m_folder.file(L"job.xml"); }
    lab::TempFolder m_folder{L"jobxml"};
};

}  // namespace

TEST_F(JobDescriptionTest, ChildrenInOrderWithTheirTexts) {
    JobDescription description;
    description.name = L"Quarterly report";
    description.copies = 2;
    description.paperHeight = 11.6929;
    description.paperWidth = 8.2677;
    description.paperName = 9;
    description.paperCount = 12;
    description.paramsOK = true;
    ASSERT_TRUE(writeJobDescription(path(), description));

    Tree tree = readBack();
    EXPECT_EQ(L"job", tree.root);
    std::vector<std::pair<std::wstring, std::wstring>> expected = {{L"name", L"Quarterly report"},
                                                                   {L"copies", L"2"},
                                                                   {L"paperHeight", variantText(11.6929)},
                                                                   {L"paperWidth", variantText(8.2677)},
                                                                   {L"paperName", L"9"},
                                                                   {L"paperCount", L"12"},
                                                                   {L"paramsOK", L"True"}};
    EXPECT_EQ(expected, tree.children);
    EXPECT_EQ(0, tree.attributes);

    std::string bytes = lab::readFileBytes(path());
    EXPECT_EQ(std::string::npos, bytes.find("<?xml")) << "no declaration";
    EXPECT_EQ(0u, bytes.find("<job>")) << bytes;
}

TEST_F(JobDescriptionTest, DoublesAreWrittenLikeTheVariantConversion) {
    EXPECT_EQ(L"11.6929", variantText(11.6929));
    EXPECT_EQ(L"8.26388888888889", variantText(595 * 0.013888888888888888)) << "15 significant digits";
    EXPECT_EQ(L"0", variantText(0.0));

    JobDescription description;
    description.paperHeight = 595 * 0.013888888888888888;
    description.paramsOK = false;
    ASSERT_TRUE(writeJobDescription(path(), description));
    Tree tree = readBack();
    ASSERT_EQ(7u, tree.children.size());
    EXPECT_EQ(L"8.26388888888889", tree.children[2].second);
    EXPECT_EQ(L"False", tree.children[6].second);
}

TEST_F(JobDescriptionTest, MarkupInTheNameIsEscapedTwice) {
    EXPECT_EQ(L"A &amp; B &lt;x&gt; it&apos;s \"q\"", markupEscaped(L"A & B <x> it's \"q\""));

    JobDescription description;
    description.name = L"Tom & Jerry <draft> 'v2' \"final\"";
    ASSERT_TRUE(writeJobDescription(path(), description));
    Tree tree = readBack();
    ASSERT_FALSE(tree.children.empty());
    EXPECT_EQ(L"Tom &amp; Jerry &lt;draft&gt; &apos;v2&apos; \"final\"", tree.children[0].second);
    std::string bytes = lab::readFileBytes(path());
    EXPECT_NE(std::string::npos, bytes.find("Tom &amp;amp; Jerry")) << bytes;
}

TEST_F(JobDescriptionTest, AnUnwritableFolderIsADomError) {
    JobDescription description;
    try {
        writeJobDescription(m_folder.file(L"missing\\job.xml"), description);
        FAIL() << "saving into a missing folder fails";
    } catch (const _com_error& error) {
        EXPECT_TRUE(FAILED(error.Error()));
    }
}
