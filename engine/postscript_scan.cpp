#include "postscript_scan.h"

#include <cstring>
#include <utility>
#include <vector>

#include "cstring.h"
#include "debug_log.h"
#include "file.h"

namespace engine {
namespace {

const char kPageSize[] = "/PageSize";
const char kOrientation[] = "%%Orientation:";
const char kPage[] = "%%Page:";
const char kLandscape[] = "landscape";
// The orientation's value starts after the keyword and one blank.
const size_t kOrientationValueOffset = sizeof kOrientation;

}  // namespace

void PostScriptScanner::scanChunk(const std::string& chunk) {
    std::string text(chunk.c_str());  // up to the first NUL
    readPageSize(text);
    readOrientation(text);
    readPageLabels(text);
}

void PostScriptScanner::readPageSize(const std::string& text) {
    size_t keyword = text.find(kPageSize);
    if (keyword == std::string::npos) return;
    size_t open = text.find('[', keyword);
    if (open == std::string::npos) return;
    size_t close = text.find(']', open);
    if (close == std::string::npos) return;
    LIST<cSTRING> parts = cSTRING(text.substr(open + 1, close - open - 1)).split(" ");
    if (parts.count() < 2) return;
    layout_.width = parts[0].toReal(0.0f) * kInchesPerPoint;
    layout_.height = parts[1].toReal(0.0f) * kInchesPerPoint;
}

void PostScriptScanner::readOrientation(const std::string& text) {
    size_t keyword = text.find(kOrientation);
    if (keyword == std::string::npos) return;
    size_t start = keyword + kOrientationValueOffset;
    if (start > text.size()) return;
    size_t end = text.find('\n', start);
    std::string value = text.substr(start, (end == std::string::npos ? text.size() : end) - start);
    if (!value.empty()) value.pop_back();  // the carriage return
    // An empty value would match any word's first nothing: it says nothing.
    if (!value.empty() && value.size() <= strlen(kLandscape) && _strnicmp(value.c_str(), kLandscape, value.size()) == 0)
        landscape_ = true;
}

void PostScriptScanner::readPageLabels(const std::string& text) {
    for (size_t keyword = text.find(kPage); keyword != std::string::npos; keyword = text.find(kPage, keyword + 1)) {
        size_t end = text.find_first_of("\r\n", keyword);
        std::string line = text.substr(keyword, end == std::string::npos ? std::string::npos : end - keyword);
        LIST<cSTRING> parts = cSTRING(line).split(" ");
        if (parts.count() < 2) continue;
        long label = parts[1].toInt(0);
        if (label > layout_.pages) layout_.pages = label;
    }
}

PageLayout PostScriptScanner::result() const {
    PageLayout layout = layout_;
    if (landscape_) std::swap(layout.height, layout.width);
    return layout;
}

PageLayout scanPostScriptFile(const std::wstring& path, const PageLayout& start) {
    DebugLine() << "updateParamsFromFile";
    C_bvFileU file(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    uint64_t size = file.size();
    PostScriptScanner scanner(start);
    std::vector<char> buffer(kScanChunkSize);
    for (;;) {
        DWORD read = file.read(buffer.data(), kScanChunkSize);
        if (read == 0) break;
        scanner.scanChunk(std::string(buffer.data(), read));
        if (file.seek(0, FILE_CURRENT) >= size) break;
        file.seek(-(int64_t)kScanChunkOverlap, FILE_CURRENT);
    }
    file.close();
    return scanner.result();
}

}  // namespace engine
