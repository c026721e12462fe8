#include "xml_document.h"

#include <algorithm>
#include <cwctype>

#include "bstr.h"
#include "msxml_ids.h"
#include "com/guard.h"
#include "variant.h"
#include "web_interfaces.h"

namespace web {
namespace xml {

using com::check;

ComPtr<IXMLDOMDocument> createDocument(HRESULT* result) {
    ComPtr<IXMLDOMDocument> document;
    *result = CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLDOMDocument),
                               reinterpret_cast<void**>(document.GetAddressOf()));
    if (FAILED(*result)) document.Reset();
    return document;
}

bool load(IXMLDOMDocument* document, const std::wstring& text) {
    BStr source(text);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    check(document->loadXML(source.get(), &loaded));
    return loaded != VARIANT_FALSE;
}

void forbidDocumentTypes(IXMLDOMDocument* document) {
    // Wine: MSXML 3 accepts "ProhibitDTD" but still parses the declaration, and refuses
    // "MaxElementDepth"; failures are passed over.
    ComPtr<IXMLDOMDocument2> settings;
    if (SUCCEEDED(document->QueryInterface(IID_IXMLDOMDocument2, reinterpret_cast<void**>(settings.GetAddressOf())))) {
        settings->setProperty(BStr(L"ProhibitDTD").get(), Variant(true));
        settings->setProperty(BStr(L"MaxElementDepth").get(), Variant(256L));
    }
    document->put_resolveExternals(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
}

bool declaresDocumentType(const std::wstring& text) {
    static const wchar_t kDeclaration[] = L"<!DOCTYPE";
    auto found = std::search(text.begin(), text.end(), kDeclaration, kDeclaration + 9,
                             [](wchar_t a, wchar_t b) { return towupper(a) == b; });
    return found != text.end();
}

std::optional<std::wstring> parseErrorReason(IXMLDOMDocument* document) {
    ComPtr<IXMLDOMParseError> error;
    if (FAILED(document->get_parseError(&error)) || !error) return std::nullopt;
    BStr reason;
    if (FAILED(error->get_reason(reason.out()))) return std::nullopt;
    return reason.str();
}

ComPtr<IXMLDOMElement> documentElement(IXMLDOMDocument* document) {
    ComPtr<IXMLDOMElement> root;
    check(document->get_documentElement(&root));
    return root;
}

ComPtr<IXMLDOMDocument> ownerDocument(IXMLDOMNode* node) {
    ComPtr<IXMLDOMDocument> document;
    check(node->get_ownerDocument(&document));
    if (!document) throw _com_error(E_UNEXPECTED);
    return document;
}

ComPtr<IXMLDOMElement> appendElement(IXMLDOMNode* parent, const wchar_t* name) {
    ComPtr<IXMLDOMElement> element;
    check(ownerDocument(parent)->createElement(BStr(name).get(), &element));
    appendChild(parent, element.Get());
    return element;
}

void appendChild(IXMLDOMNode* parent, IXMLDOMNode* child) {
    ComPtr<IXMLDOMNode> added;
    check(parent->appendChild(child, &added));
}

std::vector<ComPtr<IXMLDOMNode>> selectNodes(IXMLDOMNode* context, const wchar_t* pattern) {
    ComPtr<IXMLDOMNodeList> list;
    check(context->selectNodes(BStr(pattern).get(), &list));
    std::vector<ComPtr<IXMLDOMNode>> nodes;
    long length = 0;
    if (!list || FAILED(list->get_length(&length))) return nodes;
    for (long i = 0; i < length; i++) {
        ComPtr<IXMLDOMNode> node;
        check(list->get_item(i, &node));
        if (node) nodes.push_back(node);
    }
    return nodes;
}

ComPtr<IXMLDOMNode> selectSingleNode(IXMLDOMNode* context, const wchar_t* pattern) {
    ComPtr<IXMLDOMNode> node;
    check(context->selectSingleNode(BStr(pattern).get(), &node));
    return node;
}

Variant attribute(IXMLDOMNode* node, const wchar_t* name) {
    ComPtr<IXMLDOMElement> element;
    check(node->QueryInterface(__uuidof(IXMLDOMElement), reinterpret_cast<void**>(element.GetAddressOf())));
    Variant value;
    check(element->getAttribute(BStr(name).get(), value.out()));
    return value;
}

std::wstring text(IXMLDOMNode* node) {
    BStr value;
    check(node->get_text(value.out()));
    return value.str();
}

std::wstring serialized(IXMLDOMNode* node) {
    BStr value;
    check(node->get_xml(value.out()));
    return value.str();
}

}  // namespace xml
}  // namespace web
