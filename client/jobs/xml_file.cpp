#include "xml_file.h"

#include <comdef.h>

#include "bstr.h"
#include "com/guard.h"
#include "msxml_ids.h"
#include "variant.h"

namespace xml {

ComPtr<IXMLDOMDocument> newDocument() {
    ComPtr<IXMLDOMDocument> document;
    com::check(CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document.GetAddressOf())));
    com::check(document->put_async(VARIANT_FALSE));
    return document;
}

bool loadFile(IXMLDOMDocument* document, const std::wstring& path, std::wstring* reason) {
    VARIANT_BOOL loaded = VARIANT_FALSE;
    com::check(document->load(Variant(path), &loaded));
    if (loaded == VARIANT_TRUE) return true;
    if (reason) {
        ComPtr<IXMLDOMParseError> error;
        BStr text;
        if (SUCCEEDED(document->get_parseError(error.GetAddressOf())) && error &&
            SUCCEEDED(error->get_reason(text.out())))
            *reason = text.str();
    }
    return false;
}

bool loadText(IXMLDOMDocument* document, const std::wstring& text) {
    VARIANT_BOOL loaded = VARIANT_FALSE;
    com::check(document->loadXML(BStr(text).get(), &loaded));
    return loaded == VARIANT_TRUE;
}

ComPtr<IXMLDOMElement> documentElement(IXMLDOMDocument* document) {
    ComPtr<IXMLDOMElement> root;
    com::check(document->get_documentElement(root.GetAddressOf()));
    return root;
}

ComPtr<IXMLDOMNode> selectSingleNode(IXMLDOMNode* context, const std::wstring& xpath) {
    ComPtr<IXMLDOMNode> node;
    if (!context) return node;
    com::check(context->selectSingleNode(BStr(xpath).get(), node.GetAddressOf()));
    return node;
}

std::wstring text(IXMLDOMNode* node) {
    BStr value;
    if (node) com::check(node->get_text(value.out()));
    return value.str();
}

}  // namespace xml
