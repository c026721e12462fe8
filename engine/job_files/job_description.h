#pragma once
// job.xml: the description of a finished job beside its layout.ps, written through the
// platform's XML DOM.
#include <string>

namespace engine {

struct JobDescription {
    std::wstring name;
    long copies = 1;
    double paperHeight = 0.0;
    double paperWidth = 0.0;
    long paperName = 0;
    long paperCount = 1;
    bool paramsOK = false;
};

// "<" "&lt;", ">" "&gt;", "&" "&amp;", "'" "&apos;"; double quotes stay. The DOM escapes
// the result once more when it saves, so a reader that decodes once gets this text.
std::wstring markupEscaped(const std::wstring& text);

// A double as the platform's variant conversion writes it (user's locale).
std::wstring variantText(double value);

// Writes the document <job><name/>...<paramsOK/></job> to path. Returns false, writing
// nothing, when the XML component cannot start or cannot load the empty document; a
// later DOM failure throws _com_error.
bool writeJobDescription(const std::wstring& path, const JobDescription& description);

}  // namespace engine
