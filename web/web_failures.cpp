#include "web_failures.h"

#include <sstream>

#include "com/error_info.h"
#include "web_interfaces.h"

namespace web {
namespace {

bool isCommunicationError(const Caught& caught) {
    if (caught.kind != Caught::Socket) return false;
    switch (caught.socketCode) {
        case 10048:  // address in use
        case 10054:  // connection reset
        case 10056:  // already connected
        case 10061:  // connection refused
            return true;
        default:
            return false;
    }
}

Reported reported(HRESULT hr, const std::wstring& description) { return Reported{hr, description}; }

// Never throws: characters the code page lacks become its default character.
std::string logText(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

}  // namespace

Reported reportConnectFailure(const Caught& caught) {
    if (isCommunicationError(caught)) return reported(kCommunicationError, L"Communication Error");
    if (caught.kind == Caught::Library) return reported(E_FAIL, caught.description);
    return Reported{S_OK, std::nullopt};
}

Reported reportCommandFailure(const Caught& caught) {
    if (isCommunicationError(caught)) return reported(kCommunicationError, L"Communication Error");
    switch (caught.kind) {
        case Caught::Library: return reported(DISP_E_EXCEPTION, caught.description);
        case Caught::Com: return reported(caught.hr, caught.description);
        case Caught::Socket: return reported(kUnknownSocketError, L"Unknown Error");
        default: return reported(E_UNEXPECTED, L"Unexpected error");
    }
}

Reported reportUploadFailure(const Caught&) { return reported(E_UNEXPECTED, L"Unknown error"); }

Reported reportHtmlFailure(const Caught& caught) {
    return reported(E_FAIL, caught.kind == Caught::Library ? caught.description : L"Unknown Error");
}

Reported reportPictureFailure(const Caught& caught) {
    return caught.kind == Caught::Library ? reported(E_FAIL, caught.description) : reportOtherFailure(caught);
}

Reported reportOtherFailure(const Caught& caught) {
    switch (caught.kind) {
        case Caught::Library:
        case Caught::Com: return reported(caught.hr, caught.description);
        default: return reported(E_UNEXPECTED, L"Unknown error");
    }
}

std::string describeForLog(const Caught& caught) {
    std::ostringstream line;
    switch (caught.kind) {
        case Caught::Library: line << caught.message; break;
        case Caught::Com:
            line << "COM error 0x" << std::hex << (unsigned long)caught.hr << " " << logText(caught.description);
            break;
        case Caught::Socket: line << "socket error " << caught.socketCode; break;
        default: line << "unknown error"; break;
    }
    return line.str();
}

HRESULT report(const Reported& reported) {
    if (!reported.description) return reported.hr;
    return com::setRichError(reported.hr, *reported.description, kErrorSource);
}

}  // namespace web
