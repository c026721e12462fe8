#include "file_upload.h"

#include <windows.h>

#include <optional>

#include "error_msg.h"
#include "text_convert.h"
#include "url_text.h"
#include "zip_packer.h"

namespace web {

const wchar_t kUploadContentType[] = L"application/ps";

namespace {

// A file that is deleted when the object goes.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : m_path(std::move(path)) {}
    ~TemporaryFile() { remove(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& path() const { return m_path; }
    void remove() {
        if (!m_path.empty()) DeleteFileW(m_path.c_str());
        m_path.clear();
    }

private:
    std::wstring m_path;
};

// A new empty file "tmpXXXX.tmp" in the temporary folder.
std::wstring newTemporaryFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        throw cERROR_MSG(BV_ERR_GENERAL, "CiWeb::resumeFileUpload - no temporary folder (%lu)", GetLastError());
    wchar_t name[MAX_PATH] = {};
    if (!GetTempFileNameW(folder, L"tmp", 0, name))
        throw cERROR_MSG(BV_ERR_GENERAL, "CiWeb::resumeFileUpload - cannot make a temporary file (%lu)",
                         GetLastError());
    return name;
}

}  // namespace

std::wstring fileNamePart(const std::wstring& path) {
    size_t separator = path.find_last_of(L"/\\");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

FormFields uploadFields(const std::wstring& localFilename, const std::wstring& serverPath, bool compress) {
    FormFields fields;
    fields.add(L"outPath", serverPath);
    fields.add(L"overwrite", L"1");
    fields.add(L"filename", fileNamePart(localFilename));
    if (compress) fields.add(L"zip", L"1");
    return fields;
}

std::wstring uploadUrlFor(const UrlParts& server, long port) {
    std::wstring scheme = server.scheme == INTERNET_SCHEME_HTTPS ? L"https://" : L"http://";
    return scheme + server.host + L":" + std::to_wstring(port) + kUploadEndpoint;
}

std::wstring archivePathFor(const std::wstring& copyPath) {
    size_t separator = copyPath.find_last_of(L"/\\");
    std::wstring folder = separator == std::wstring::npos ? L"." : copyPath.substr(0, separator);
    std::wstring name = fileNamePart(copyPath);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return folder + L"/" + name + L".zip";
}

void uploadFile(const UploadRequest& request, UploadProgressSink* progress) {
    FormFields fields = uploadFields(request.localFilename, request.serverPath, request.compress);
    std::wstring url = uploadUrlFor(WinHTTPWrapper().crackUrl(request.serverUrl), request.serverPort);

    std::optional<TemporaryFile> archive;
    std::wstring fileToSend = request.localFilename;
    if (request.compress) {
        TemporaryFile copy(newTemporaryFile());
        if (!CopyFileW(request.localFilename.c_str(), copy.path().c_str(), FALSE))
            throw cERROR_MSG(BV_ERR_GENERAL, "CiWeb::resumeFileUpload - cannot copy %s (%lu)",
                             toAnsi(request.localFilename).c_str(), GetLastError());
        archive.emplace(archivePathFor(copy.path()));
        packZip({copy.path()}, archive->path(), "no_path");
        copy.remove();
        fileToSend = archive->path();
    }
    WinHTTPWrapper().httpPostFile(url, fields, fileToSend, kUploadContentType, progress);
}

}  // namespace web
