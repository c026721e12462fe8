#include "server_connection.h"

#include <comdef.h>

#include "bstr.h"
#include "debug_log.h"
#include "error_msg.h"
#include "com/guard.h"
#include "login_locale.h"
#include "registry_pattern.h"
#include "text_convert.h"
#include "url_text.h"
#include "web_failures.h"
#include "winhttp_wrapper.h"
#include "xml_document.h"

namespace web {
namespace {

// The text of an answer entry; "" when the answer lacks it.
std::wstring answerText(const ScriptDictionary& answer, const wchar_t* key) {
    Variant name(key);
    if (!answer.exists(name)) return std::wstring();
    return answer.item(name).toString();
}

Variant missingArgument() {
    Variant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return missing;
}

}  // namespace

bool C_serverConnection::connect(const std::wstring& url, const std::wstring& userName, const std::wstring& password,
                                 ScriptDictionary parameters) {
    try {
        if (!parameters) {
            try {
                parameters = ScriptDictionary::create();
            } catch (const _com_error& error) {
                throw cERROR_MSG(BV_ERR_COM_CREATE,
                                 "C_serverConnection::connect - cannot create Dictionary object 0x%x",
                                 (unsigned)error.Error());
            }
        }
        setUrl(url);
        m_secure = false;

        ScriptDictionary protocol = invoke(L"getProtocol", ScriptDictionary::create());
        std::wstring scheme = answerText(protocol, L"protocolSheme");
        setUrl(applyProtocolScheme(serverUrl(), scheme));
        m_secure = scheme == L"https://";

        LoginLocale locale = systemLoginLocale();
        parameters.add(L"username", Variant(userName));
        parameters.add(L"password", Variant(password));
        parameters.add(L"codepage", Variant(locale.codePage));
        if (locale.languageId) parameters.add(L"languageId", Variant(*locale.languageId));
        if (locale.language) parameters.add(L"language", Variant(*locale.language));

        ScriptDictionary login = invoke(L"login", parameters);
        std::wstring returnCode = answerText(login, L"returnCode");
        if (matchRegistryPattern(returnCode.c_str(), L"ERROR_*"))
            throw cERROR_MSG(BV_ERR_GENERAL, "%s", toAnsi(answerText(login, L"returnMessage")).c_str());
        return true;
    } catch (const cERROR_MSG&) {
        forget();
        throw;
    } catch (const SocketError&) {
        forget();
        throw;
    } catch (...) {
        forget();
        throw cERROR_MSG(BV_ERR_GENERAL, "Unknown Error while connecting to Host");
    }
}

void C_serverConnection::disconnect() noexcept {
    com::runCaught([this] { invoke(L"disconnect", ScriptDictionary()); });
    forget();
}

bool C_serverConnection::connected() const { return !serverUrl().empty() && !m_request.empty(); }

std::wstring C_serverConnection::serverUrl() const {
    std::lock_guard<std::mutex> guard(m_urlLock);
    return m_url;
}

void C_serverConnection::setUrl(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(m_urlLock);
    m_url = url;
}

void C_serverConnection::forget() noexcept {
    {
        std::lock_guard<std::mutex> guard(m_urlLock);
        m_url.clear();
    }
    m_secure = false;
    m_request.revoke();
}

ScriptDictionary C_serverConnection::invoke(const std::wstring& method, const ScriptDictionary& parameters) {
    HRESULT hr = S_OK;
    ComPtr<IXMLDOMDocument> request = xml::createDocument(&hr);
    if (!request)
        throw cERROR_MSG(BV_ERR_COM_CREATE, "C_serverConnection::invoke - cannot create XML object 0x%x", (unsigned)hr);
    if (!xml::load(request.Get(), L"<keloAction></keloAction>"))
        throw cERROR_MSG(BV_ERR_GENERAL,
                         "C_serverConnection::invoke - Error while executing method [%s] on server - invalid XML",
                         toAnsi(method).c_str());
    ComPtr<IXMLDOMElement> methodElement = method2xml(method, parameters);
    if (!methodElement) throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::invoke - Unknown error");

    ComPtr<IXMLDOMNode> copy;
    com::check(methodElement->cloneNode(VARIANT_TRUE, &copy));
    xml::appendChild(xml::documentElement(request.Get()).Get(), copy.Get());

    ComPtr<IXMLDOMDocument> answer = serverCommand(request.Get());
    return dictFromXML(xml::selectSingleNode(answer.Get(), L"/keloResult/method").Get());
}

ComPtr<IXMLDOMDocument> C_serverConnection::serverCommand(IXMLDOMDocument* request) {
    std::wstring url = serverUrl();
    if (url.empty()) throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::serverCommand - not connected to host");

    std::wstring answerText;
    if (m_secure)
        answerText = WinHTTPWrapper().httpPost(url, xml::serialized(request));
    else
        answerText = postThroughRequestObject(url, request);

    HRESULT hr = S_OK;
    ComPtr<IXMLDOMDocument> answer = xml::createDocument(&hr);
    if (!answer) {
        DebugLine() << "server command->error "
                    << "0x" << std::hex << (unsigned long)hr;
        throw cERROR_MSG(BV_ERR_COM_CREATE, "C_serverConnection::serverCommand - cannot create XML object 0x%x",
                         (unsigned)hr);
    }
    xml::forbidDocumentTypes(answer.Get());
    // An answer is only ever parameters: entities (a file's text, a billion laughs) have no place in it.
    if (xml::declaresDocumentType(answerText))
        throw cERROR_MSG(BV_ERR_GENERAL, "Error %s", "the answer holds a document type declaration, which is refused");
    if (!xml::load(answer.Get(), answerText)) {
        std::optional<std::wstring> reason = xml::parseErrorReason(answer.Get());
        throw cERROR_MSG(BV_ERR_GENERAL, "Error %s", reason ? toAnsi(*reason).c_str() : "Cannot complete operation");
    }
    return answer;
}

std::wstring C_serverConnection::postThroughRequestObject(const std::wstring& url, IXMLDOMDocument* request) {
    if (m_request.empty()) {
        IXMLHTTPRequest* created = nullptr;
        HRESULT hr = CoCreateInstance(kClsidXmlHttp30, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IXMLHTTPRequest),
                                      reinterpret_cast<void**>(&created));
        if (FAILED(hr))
            throw cERROR_MSG(BV_ERR_COM_CREATE,
                             "C_serverConnection::serverCommand - cannot create XML request object 0x%x", (unsigned)hr);
        m_request.set(created);
    }
    ComPtr<IXMLHTTPRequest> http = m_request.get();
    com::check(http->open(BStr(L"POST").get(), BStr(url).get(), Variant(false), missingArgument(), missingArgument()));
    com::check(http->setRequestHeader(BStr(L"Cache-Control").get(), BStr(L"no-cache").get()));
    // Wine: the request object sends an empty body when given the document object
    // itself; its XML text goes out the same way (in UTF-8) on every system.
    com::check(http->send(Variant(xml::serialized(request))));
    // The request object has the whole body in memory by now; a body larger than any
    // answer is still not parsed.
    BStr answer;
    com::check(http->get_responseText(answer.out()));
    if (answer.length() > kMaximumAnswerBytes)
        throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::serverCommand - the answer is larger than %lu bytes",
                         (unsigned long)kMaximumAnswerBytes);
    return answer.str();
}

}  // namespace web
