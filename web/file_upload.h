#pragma once
// The job upload: the form the provider's upload endpoint takes, its address on the
// caller's port, the optional zip packing through a temporary copy, and the post
// itself. The temporary copy and the archive are removed again, also after a failure.
#include <string>

#include "multipart_form.h"
#include "winhttp_wrapper.h"

namespace web {

extern const wchar_t kUploadContentType[];  // "application/ps"

// The name part of a local file name: what follows the last "/" or "\".
std::wstring fileNamePart(const std::wstring& path);

// "outPath", "overwrite" = "1", "filename", and "zip" = "1" when packing.
FormFields uploadFields(const std::wstring& localFilename, const std::wstring& serverPath, bool compress);

// Scheme and host of the server URL, the port, and the upload endpoint.
std::wstring uploadUrlFor(const UrlParts& server, long port);

struct UploadRequest {
    std::wstring serverUrl;  // the connection's service URL
    std::wstring localFilename;
    std::wstring serverPath;
    long serverPort = 0;
    bool compress = false;
};

// Sends the file (packed when asked) to the upload endpoint. Throws cERROR_MSG.
void uploadFile(const UploadRequest& request, UploadProgressSink* progress);

// The archive path for a temporary copy: its folder, "/", its name without
// extension, ".zip".
std::wstring archivePathFor(const std::wstring& copyPath);

}  // namespace web
