// The request and answer documents of C_serverConnection.
#include "server_connection.h"

#include <comdef.h>

#include "bstr.h"
#include "entity_text.h"
#include "error_msg.h"
#include "com/guard.h"
#include "text_convert.h"
#include "variant_list.h"
#include "xml_document.h"

namespace web {
namespace {

// Dictionaries nested deeper than this (a dictionary holding itself, or an answer built
// to exhaust the stack) are refused.
const int kMaximumNesting = 64;

ScriptDictionary newDictionary(const char* failure) {
    try {
        return ScriptDictionary::create();
    } catch (const _com_error& error) {
        throw cERROR_MSG(BV_ERR_COM_CREATE, "%s 0x%x", failure, (unsigned)error.Error());
    }
}

// A VARIANT given by reference, taken as the value it refers to.
Variant dereferenced(const Variant& value) {
    Variant plain;
    com::check(VariantCopyInd(&plain, const_cast<Variant*>(&value)));
    return plain;
}

}  // namespace

ComPtr<IXMLDOMElement> C_serverConnection::method2xml(const std::wstring& method, const ScriptDictionary& parameters) {
    HRESULT hr = S_OK;
    ComPtr<IXMLDOMDocument> document = xml::createDocument(&hr);
    if (!document)
        throw cERROR_MSG(BV_ERR_COM_CREATE, "C_serverConnection::method2xml - cannot create XML object 0x%x",
                         (unsigned)hr);
    if (!xml::load(document.Get(), L"<method></method>")) {
        std::wstring reason = xml::parseErrorReason(document.Get()).value_or(L"");
        throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::method2xml - cannot load XML [%s]",
                         toAnsi(reason).c_str());
    }
    ComPtr<IXMLDOMElement> element = xml::documentElement(document.Get());
    if (!element) return element;
    com::check(element->setAttribute(BStr(L"name").get(), Variant(method)));
    if (parameters) addDictParam(element.Get(), parameters);
    return element;
}

void C_serverConnection::addDictParam(IXMLDOMNode* parent, const ScriptDictionary& dictionary, int depth) {
    if (!dictionary) throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::addDictParam - cannot add NULL dictionary");
    if (depth > kMaximumNesting)
        throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::addDictParam - dictionaries nested too deeply");
    for (const Variant& key : dictionary.keys()) {
        ComPtr<IXMLDOMElement> parameter = xml::appendElement(parent, L"parameter");
        com::check(parameter->setAttribute(BStr(L"name").get(), key));
        Variant value = dereferenced(dictionary.item(key));
        if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
            addDictParam(parameter.Get(), ScriptDictionary::from(value.punkVal), depth + 1);
        } else if (value.vt == VT_BSTR) {
            com::check(xml::appendElement(parameter.Get(), L"value")->put_text(value.bstrVal));
        } else {
            com::check(xml::appendElement(parameter.Get(), L"value")->put_nodeTypedValue(value));
        }
    }
}

ScriptDictionary C_serverConnection::dictFromXML(IXMLDOMNode* element, int depth) {
    if (!element) throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::dictFromXML - cannot extract from NULL XML");
    if (depth > kMaximumNesting)
        throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::dictFromXML - parameters nested too deeply");
    ScriptDictionary dictionary = newDictionary("C_serverConnection::dictFromXML - cannot create Dictionary object");
    for (const ComPtr<IXMLDOMNode>& parameter : xml::selectNodes(element, L"./parameter")) {
        Variant key = xml::attribute(parameter.Get(), L"name");
        std::vector<ComPtr<IXMLDOMNode>> values = xml::selectNodes(parameter.Get(), L"./value");
        if (values.size() == 1) {
            dictionary.add(key, Variant(decodeEntities(xml::text(values[0].Get()))));
        } else if (values.size() > 1) {
            tVARIANTLIST items;
            for (const ComPtr<IXMLDOMNode>& value : values)
                items.append(Variant(decodeEntities(xml::text(value.Get()))));
            dictionary.add(key, items.toVariant());
        } else if (!xml::selectNodes(parameter.Get(), L"./parameter").empty()) {
            dictionary.add(key, Variant(dictFromXML(parameter.Get(), depth + 1).get()));
        }
    }
    return dictionary;
}

}  // namespace web
