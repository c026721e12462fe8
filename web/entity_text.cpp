#include "entity_text.h"

#include <cwchar>

namespace web {
namespace {

struct Reference {
    const wchar_t* text;
    wchar_t character;
};

const Reference kReferences[] = {{L"&gt;", L'>'}, {L"&lt;", L'<'}, {L"&amp;", L'&'}, {L"&apos;", L'\''}};

}  // namespace

std::wstring decodeEntities(const std::wstring& text) {
    std::wstring decoded;
    decoded.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != L'&') {
            decoded += text[i++];
            continue;
        }
        size_t end = text.find(L';', i);
        if (end == std::wstring::npos) {
            decoded.append(text, i, std::wstring::npos);
            break;
        }
        std::wstring reference = text.substr(i, end - i + 1);
        for (const Reference& known : kReferences) {
            if (_wcsicmp(reference.c_str(), known.text) == 0) {
                decoded += known.character;
                break;
            }
        }
        i = end + 1;
    }
    return decoded;
}

}  // namespace web
