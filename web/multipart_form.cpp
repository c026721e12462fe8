#include "multipart_form.h"

#include "text_convert.h"

namespace web {

const char kFormBoundary[] = "---------------------------7d11c0032035c";

namespace {
const std::wstring kCrLf = L"\r\n";
std::wstring boundaryLine() { return L"--" + toWide(kFormBoundary) + kCrLf; }
}  // namespace

std::wstring multipartContentTypeHeader() {
    return L"Content-Type: multipart/form-data; boundary=" + toWide(kFormBoundary);
}

std::string multipartHead(const std::wstring& filePath, const std::wstring& contentType) {
    std::wstring head = boundaryLine() + L"Content-Disposition: form-data; name=\"Filedata\"; filename=\"" + filePath +
                        L"\"" + kCrLf + L"Content-Type:" + contentType + kCrLf + kCrLf;
    return convertUnicodeToUtf8(head);
}

std::string multipartFieldsAndClosing(const FormFields& fields) {
    std::wstring text;
    for (int i = 0; i < fields.count(); i++) {
        text += boundaryLine() + L"Content-Disposition: form-data; name=\"" + fields.keyAt(i) + L"\"" + kCrLf + kCrLf +
                fields.valueAt(i) + kCrLf;
    }
    text += boundaryLine() + L"--" + kCrLf;
    return convertUnicodeToUtf8(text);
}

}  // namespace web
