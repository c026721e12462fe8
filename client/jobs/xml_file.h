#pragma once
// MSXML 3 documents for the client's own files (the job state) and the engine's job
// description. Failures throw _com_error.
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

namespace xml {

// A new, empty document that loads synchronously.
ComPtr<IXMLDOMDocument> newDocument();
// Loads a file or a text; false (with the parser's reason) when it is no XML document.
bool loadFile(IXMLDOMDocument* document, const std::wstring& path, std::wstring* reason = nullptr);
bool loadText(IXMLDOMDocument* document, const std::wstring& text);
ComPtr<IXMLDOMElement> documentElement(IXMLDOMDocument* document);
// The first node the XPath selects below the context, or null.
ComPtr<IXMLDOMNode> selectSingleNode(IXMLDOMNode* context, const std::wstring& xpath);
std::wstring text(IXMLDOMNode* node);

}  // namespace xml
