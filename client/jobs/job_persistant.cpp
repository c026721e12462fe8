#include "job_persistant.h"

#include <comdef.h>

#include "bstr.h"
#include "client_error.h"
#include "com/guard.h"
#include "paths.h"
#include "variant.h"
#include "xml_file.h"

const wchar_t kJobStateFileName[] = L"offline.xml";

namespace {
const wchar_t kRoot[] = L"printerClient";
const wchar_t kParameter[] = L"parameter";
const wchar_t kName[] = L"name";
const wchar_t kValue[] = L"value";

std::wstring fieldPath(const std::wstring& key) {
    return std::wstring(L"./") + kParameter + L"[@" + kName + L"='" + key + L"']/" + kValue;
}
}  // namespace

C_jobPersistant::C_jobPersistant() { startEmpty(); }

void C_jobPersistant::startEmpty() {
    m_document = xml::newDocument();
    if (!xml::loadText(m_document.Get(), std::wstring(L"<") + kRoot + L"></" + kRoot + L">"))
        raiseError(E_UNEXPECTED, L"The job state cannot be started");
}

void C_jobPersistant::setPersistantFile(const std::wstring& filename) {
    m_file = filename;
    startEmpty();
    if (m_file.empty() || !bvfsFileExists(m_file.c_str())) return;
    std::wstring reason;
    if (!xml::loadFile(m_document.Get(), m_file, &reason))
        raiseError(E_FAIL, L"The job state file " + m_file + L" cannot be read: " + reason);
}

void C_jobPersistant::Flush() {
    if (m_file.empty()) return;
    com::check(m_document->save(Variant(m_file)));
}

short C_jobPersistant::compress() const {
    std::wstring text = read(L"compress");
    return text.empty() ? 0 : (short)_wtoi(text.c_str());
}

std::wstring C_jobPersistant::read(const std::wstring& key) const {
    ComPtr<IXMLDOMElement> root = xml::documentElement(m_document.Get());
    return xml::text(xml::selectSingleNode(root.Get(), fieldPath(key)).Get());
}

void C_jobPersistant::write(const std::wstring& key, const std::wstring& value, bool replace) {
    ComPtr<IXMLDOMElement> root = xml::documentElement(m_document.Get());
    if (!root) raiseError(E_UNEXPECTED, L"The job state has no root element");
    if (replace) {
        ComPtr<IXMLDOMNode> old =
            xml::selectSingleNode(root.Get(), std::wstring(L"./") + kParameter + L"[@" + kName + L"='" + key + L"']");
        ComPtr<IXMLDOMNode> removed;
        if (old) com::check(root->removeChild(old.Get(), removed.GetAddressOf()));
    }
    ComPtr<IXMLDOMElement> parameter, valueElement;
    com::check(m_document->createElement(BStr(kParameter).get(), parameter.GetAddressOf()));
    com::check(parameter->setAttribute(BStr(kName).get(), Variant(key)));
    com::check(m_document->createElement(BStr(kValue).get(), valueElement.GetAddressOf()));
    com::check(valueElement->put_text(BStr(value).get()));
    ComPtr<IXMLDOMNode> appended;
    com::check(parameter->appendChild(valueElement.Get(), appended.GetAddressOf()));
    com::check(root->appendChild(parameter.Get(), appended.ReleaseAndGetAddressOf()));
}
