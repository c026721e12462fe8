#pragma once
// The web component's own interfaces (from KeloWeb.idl) and the identities of the
// system objects it works with: the Scripting Runtime's dictionary and MSXML 3.
#include <windows.h>
#include <msxml2.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "com/script_dictionary.h"

// mingw's msxml2.h declares these interfaces without binding their identities to them.
__CRT_UUID_DECL(IXMLHTTPRequest, 0xED8C108D, 0x4349, 0x11D2, 0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8)
__CRT_UUID_DECL(IXMLDOMDocument, 0x2933BF81, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMNode, 0x2933BF80, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)
__CRT_UUID_DECL(IXMLDOMElement, 0x2933BF86, 0x7B36, 0x11D2, 0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60)

#include "KeloWeb_h.h"

namespace web {

using com::ScriptDictionary;
using Microsoft::WRL::ComPtr;

// MSXML's DOMDocument (version 3.0) and its XML HTTP request object, version 3.0.
extern const CLSID kClsidDomDocument;
extern const CLSID kClsidXmlHttp30;

// The versioned ProgID of iWeb: the source of every error the component reports.
extern const wchar_t kErrorSource[];

}  // namespace web
