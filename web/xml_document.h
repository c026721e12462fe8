#pragma once
// Small helpers over MSXML 3 DOM documents. COM failures of the XML library throw
// _com_error with the library's own result code and description.
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <optional>
#include <string>
#include <vector>

#include "variant.h"

namespace web {
namespace xml {

using Microsoft::WRL::ComPtr;

// A new DOM document, or null with the reason in *result.
ComPtr<IXMLDOMDocument> createDocument(HRESULT* result);

// Parses the text into the document; false when it is not well-formed.
bool load(IXMLDOMDocument* document, const std::wstring& text);

// For a document that will hold text from the network: no document type declaration,
// no external entity or schema fetched, no validation, elements nested at most 256
// deep. Properties the library does not know are passed over; callers refuse a
// declaration before loading (declaresDocumentType), which holds on every library.
void forbidDocumentTypes(IXMLDOMDocument* document);
// The text holds a document type declaration (and so could define entities).
bool declaresDocumentType(const std::wstring& text);
// Why the last load failed: the parser's reason, or nothing when the document offers
// no parse error object.
std::optional<std::wstring> parseErrorReason(IXMLDOMDocument* document);

ComPtr<IXMLDOMElement> documentElement(IXMLDOMDocument* document);
ComPtr<IXMLDOMDocument> ownerDocument(IXMLDOMNode* node);
// A new element of the document, appended to the parent.
ComPtr<IXMLDOMElement> appendElement(IXMLDOMNode* parent, const wchar_t* name);
void appendChild(IXMLDOMNode* parent, IXMLDOMNode* child);

// The nodes the pattern selects, in document order; an empty list when none.
std::vector<ComPtr<IXMLDOMNode>> selectNodes(IXMLDOMNode* context, const wchar_t* pattern);
ComPtr<IXMLDOMNode> selectSingleNode(IXMLDOMNode* context, const wchar_t* pattern);

// An attribute's value as the library gives it (VT_NULL when it is missing).
Variant attribute(IXMLDOMNode* element, const wchar_t* name);
std::wstring text(IXMLDOMNode* node);
// The document as XML text.
std::wstring serialized(IXMLDOMNode* node);

}  // namespace xml
}  // namespace web
