#pragma once
// The multipart form the provider's upload endpoint reads: a head part naming the file,
// the file's bytes, then one part per form field and a closing. There is no line end
// between the file's last byte and the next boundary line, and the closing is a
// boundary line followed by a line "--"; the endpoint reads exactly this layout.
#include <string>

#include "dictionary.h"

namespace web {

// Form fields in ascending key order, keys compared without regard to case.
using FormFields = T_Dictionary<std::wstring, std::wstring>;

extern const char kFormBoundary[];
// "Content-Type: multipart/form-data; boundary=" and the boundary.
std::wstring multipartContentTypeHeader();

// The head part (UTF-8): boundary line and the headers of the file part "Filedata".
std::string multipartHead(const std::wstring& filePath, const std::wstring& contentType);
// Every field part and the closing (UTF-8).
std::string multipartFieldsAndClosing(const FormFields& fields);

}  // namespace web
