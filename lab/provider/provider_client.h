#pragma once
// Test support: the provider stand-in (lab/provider/provider.py) seen from a Windows
// test program under Wine. ProviderStandIn starts the stand-in as a Linux process
// (Wine starts a Unix program when CreateProcess names it), waits until it answers,
// scripts its answers and reads what it recorded, and stops it again. A lifeline
// connection ends the stand-in also when the test program dies without stopping it.
//
//   lab::ProviderStandIn provider;
//   provider.failMethod("login", "ERROR_LOCKED", "Account locked");
//   ... let the code under test talk to provider.serviceUrl() ...
//   lab::JsonValue logins = provider.requests("login");
//   EXPECT_EQ("alice", logins.at(0)["login"]["username"].text());
//
// Every failure throws cERROR_MSG.
#include "json_value.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lab {

// One HTTP exchange through WinHTTP.
struct HttpReply {
    unsigned long status = 0;  // the HTTP status; 0 when no answer came
    unsigned long error = 0;   // the WinHTTP error when no answer came (12029: refused, 12030: closed)
    std::string body;          // the answer's bytes
};

// Sends one request; https URLs accept any certificate. Never throws for transport
// failures: they come back as HttpReply::error.
HttpReply httpRequest(const std::wstring& verb, const std::wstring& url, const std::string& body = std::string(),
                      const std::wstring& headers = std::wstring(), unsigned long timeoutMs = 30000);

struct ProviderOptions {
    std::vector<std::pair<std::string, std::string>> users;  // accepted logins (UTF-8); empty: alice / secret
    std::string protocol;                                    // the "protocolSheme" answer; empty: "http://"
    bool extraPort = false;                                  // also listen on a second port
    bool tls = true;                                         // serve TLS on the same ports
};

class ProviderStandIn {
public:
    static const wchar_t kServicePath[];  // the service page
    static const wchar_t kUploadPath[];   // the upload endpoint

    // Starts a stand-in and returns when it answers (within 30 s).
    explicit ProviderStandIn(const ProviderOptions& options = ProviderOptions());
    ~ProviderStandIn();
    ProviderStandIn(const ProviderStandIn&) = delete;
    ProviderStandIn& operator=(const ProviderStandIn&) = delete;

    int port() const { return m_port; }
    int extraPort() const { return m_extraPort; }  // 0 without one
    // "http://127.0.0.1:<port>" (or https) followed by the path.
    std::wstring url(const std::wstring& path = std::wstring(), bool secure = false) const;
    std::wstring serviceUrl(bool secure = false) const { return url(kServicePath, secure); }
    // The stand-in's folder (records, received and stored files), as a Windows path.
    const std::wstring& stateFolder() const { return m_stateFolder; }

    // Scripting. An entry is a JSON object as README.md describes, e.g.
    // {"method": "getCallUrl", "error": "ERROR_X", "message": "No page", "times": 1}.
    void script(const std::string& entryJson);
    // The method answers returnCode = code and returnMessage = message (times 0: always).
    void failMethod(const std::string& method, const std::string& code, const std::string& message, int times = 0);
    // The method's answer gets these fields (a JSON object) over its default ones.
    void answerMethod(const std::string& method, const std::string& fieldsJson, int times = 0);
    // Replaces the accepted logins.
    void setUsers(const std::vector<std::pair<std::string, std::string>>& users);
    // Changes settings: {"protocol": "https://"}, {"upload_port": 1234}.
    void settings(const std::string& json);
    // Back to the state of the start: no scripts, no records, default settings.
    void reset();
    // Forgets the records only.
    void clearRecords();

    // Records. Each request is an object with "seq", "verb", "path", "headers",
    // "tls", "body" and "body_b64", and for the service page "method", "parameters"
    // (the tree as received), "values" (name to value) and "login"; see README.md.
    JsonValue requests(const std::string& method = std::string()) const;
    JsonValue uploads() const;
    // The bytes of one uploaded file: as received, or as stored (unpacked when zipped).
    std::string uploadedFile(size_t upload, bool stored = true, size_t file = 0) const;
    // The raw body of a recorded request.
    std::string requestBody(long seq) const;

    // Any control operation: verb, the route below "/_lab/" and a JSON body.
    JsonValue control(const std::wstring& verb, const std::string& route,
                      const std::string& body = std::string()) const;
    // Stops the stand-in and waits until it is gone; the destructor does the same.
    void stop();

private:
    std::string controlRaw(const std::wstring& verb, const std::string& route, const std::string& body) const;
    void start(const ProviderOptions& options);
    bool waitForPorts(unsigned long timeoutMs);
    void openLifeline();

    struct Lifeline;
    std::unique_ptr<Lifeline> m_lifeline;
    std::wstring m_stateFolder;
    int m_port = 0;
    int m_extraPort = 0;
    bool m_running = false;
};

}  // namespace lab
