#include "job_description.h"

#include <comdef.h>

#include <utility>
#include <vector>

#include "bstr.h"
#include "com/guard.h"
#include "com/object.h"
#include "msxml_ids.h"
#include "variant.h"

namespace engine {

using com::ComPtr;

std::wstring markupEscaped(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'&': escaped += L"&amp;"; break;
        case L'\'': escaped += L"&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::wstring variantText(double value) {
    BStr text;
    com::check(VarBstrFromR8(value, LOCALE_USER_DEFAULT, 0, text.out()));
    return text.str();
}

bool writeJobDescription(const std::wstring& path, const JobDescription& description) {
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document.GetAddressOf()))))
        return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(document->loadXML(BStr(L"<job></job>").get(), &loaded)) || loaded != VARIANT_TRUE) return false;

    ComPtr<IXMLDOMElement> root;
    com::check(document->get_documentElement(&root));
    if (!root) com::check(E_UNEXPECTED);

    const std::pair<const wchar_t*, std::wstring> children[] = {
        {L"name", markupEscaped(description.name)},
        {L"copies", std::to_wstring(description.copies)},
        {L"paperHeight", variantText(description.paperHeight)},
        {L"paperWidth", variantText(description.paperWidth)},
        {L"paperName", std::to_wstring(description.paperName)},
        {L"paperCount", std::to_wstring(description.paperCount)},
        {L"paramsOK", description.paramsOK ? L"True" : L"False"},
    };
    for (const auto& child : children) {
        ComPtr<IXMLDOMElement> element;
        com::check(document->createElement(BStr(child.first).get(), &element));
        com::check(element->put_text(BStr(child.second).get()));
        ComPtr<IXMLDOMNode> appended;
        com::check(root->appendChild(element.Get(), &appended));
    }
    com::check(document->save(Variant(path.c_str())));
    return true;
}

}  // namespace engine
