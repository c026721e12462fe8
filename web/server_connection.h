#pragma once
// C_serverConnection: the conversation with the provider's service page. A server
// method call is a method name and a dictionary of named parameters, sent as an XML
// request document in an HTTP POST; the XML answer comes back as a dictionary. Plain
// connections use MSXML's XML HTTP request object (kept in the global interface table,
// so that any thread serving the next call can use it); after the server announced
// "https://", every request goes through WinHTTP. The owner serialises all calls.
//
// Failures throw cERROR_MSG (800 when a COM object cannot be made, 1000 otherwise);
// failures of the XML library, the dictionary or the request object leave as COM errors.
#include <windows.h>
#include <msxml2.h>

#include <mutex>
#include <string>

#include "mta2sta.h"
#include "web_interfaces.h"

namespace web {

class C_serverConnection {
public:
    C_serverConnection() = default;
    C_serverConnection(const C_serverConnection&) = delete;
    C_serverConnection& operator=(const C_serverConnection&) = delete;

    // Protocol negotiation and login with the (already scrambled) name and password,
    // which are added to the parameters with the system's locale. Returns true when the
    // server accepted the login. On any failure the connection is left disconnected.
    bool connect(const std::wstring& url, const std::wstring& userName, const std::wstring& password,
                 ScriptDictionary parameters);
    // Tells the server (ignoring its answer and any failure) and forgets the connection.
    void disconnect() noexcept;

    // One server method; the parameters may be absent.
    ScriptDictionary invoke(const std::wstring& method, const ScriptDictionary& parameters);

    // The "method" element of a request.
    ComPtr<IXMLDOMElement> method2xml(const std::wstring& method, const ScriptDictionary& parameters);
    // One "parameter" element per entry, appended to the parent.
    void addDictParam(IXMLDOMNode* parent, const ScriptDictionary& dictionary, int depth = 0);
    // Sends a request document; returns the answer document.
    ComPtr<IXMLDOMDocument> serverCommand(IXMLDOMDocument* request);
    // The dictionary of the "parameter" children of an answer element; dictionaries
    // nested more than 64 deep are refused.
    ScriptDictionary dictFromXML(IXMLDOMNode* element, int depth = 0);

    bool connected() const;
    // A copy of the service URL ("" when not connected); safe to read from any thread.
    std::wstring serverUrl() const;
    bool secure() const { return m_secure; }

private:
    std::wstring postThroughRequestObject(const std::wstring& url, IXMLDOMDocument* request);
    void forget() noexcept;
    void setUrl(const std::wstring& url);

    tMTA2STA<IXMLHTTPRequest> m_request;
    mutable std::mutex m_urlLock;  // only for the moment of a read or write
    std::wstring m_url;
    bool m_secure = false;
};

}  // namespace web
