#include "postscript_scan.h"

#include <cstring>
#include <utility>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The next place at or after p where a keyword may start ("%%" or "/P") or the text
// ends (a NUL); end when there is none.
const char* nextMark(const char* p, const char* end) {
#ifdef __SSE2__
    const __m128i percent = _mm_set1_epi8('%'), slash = _mm_set1_epi8('/'), capitalP = _mm_set1_epi8('P');
    const __m128i zero = _mm_setzero_si128();
    for (; end - p > 16; p += 16) {
        __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        __m128i percents = _mm_and_si128(_mm_cmpeq_epi8(here, percent), _mm_cmpeq_epi8(next, percent));
        __m128i names = _mm_and_si128(_mm_cmpeq_epi8(here, slash), _mm_cmpeq_epi8(next, capitalP));
        int marks = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(percents, names), _mm_cmpeq_epi8(here, zero)));
        if (marks) return p + __builtin_ctz(marks);
    }
#endif
    for (; p < end; ++p) {
        if (*p == 0) return p;
        if (end - p > 1 && ((p[0] == '%' && p[1] == '%') || (p[0] == '/' && p[1] == 'P'))) return p;
    }
    return end;
}

template <size_t N>
bool startsWith(const char* p, const char* end, const char (&keyword)[N]) {
    return (size_t)(end - p) >= N - 1 && memcmp(p, keyword, N - 1) == 0;
}

// Where p's text stops: at the first `first` or `second`, at a NUL or at end.
const char* stopOf(const char* p, const char* end, char first, char second = 0) {
    while (p < end && *p && *p != first && *p != second) ++p;
    return p;
}

}  // namespace

void PostScriptScanner::scanChunk(const char* data, size_t size) {
    const char* end = data + size;
    bool pageSizeRead = false, orientationRead = false;
    for (const char* p = nextMark(data, end); p < end && *p; p = nextMark(p + 1, end)) {
        if (startsWith(p, end, kPage)) {
            readPageLabel(p, end);
        } else if (!orientationRead && startsWith(p, end, kOrientation)) {
            orientationRead = true;
            readOrientation(p, end);
        } else if (!pageSizeRead && startsWith(p, end, kPageSize)) {
            pageSizeRead = true;
            readPageSize(p, end);
        }
    }
}

void PostScriptScanner::readPageSize(const char* keyword, const char* end) {
    const char* open = stopOf(keyword, end, '[');
    if (open == end || *open != '[') return;
    const char* close = stopOf(open, end, ']');
    if (close == end || *close != ']') return;
    LIST<cSTRING> parts = cSTRING(std::string(open + 1, close)).split(" ");
    if (parts.count() < 2) return;
    m_layout.width = parts[0].toReal(0.0f) * kInchesPerPoint;
    m_layout.height = parts[1].toReal(0.0f) * kInchesPerPoint;
}

void PostScriptScanner::readOrientation(const char* keyword, const char* end) {
    const char* start = keyword + kOrientationValueOffset;
    // The blank after the keyword must be text.
    if (start > end || start[-1] == 0) return;
    std::string value(start, stopOf(start, end, '\n'));
    if (!value.empty()) value.pop_back();  // the carriage return
    // An empty value would match any word's first nothing: it says nothing.
    if (!value.empty() && value.size() <= strlen(kLandscape) && _strnicmp(value.c_str(), kLandscape, value.size()) == 0)
        m_landscape = true;
}

void PostScriptScanner::readPageLabel(const char* keyword, const char* end) {
    LIST<cSTRING> parts = cSTRING(std::string(keyword, stopOf(keyword, end, '\r', '\n'))).split(" ");
    if (parts.count() < 2) return;
    long label = parts[1].toInt(0);
    if (label > m_layout.pages) m_layout.pages = label;
}

PageLayout PostScriptScanner::result() const {
    PageLayout layout = m_layout;
    if (m_landscape) std::swap(layout.height, layout.width);
    return layout;
}

PageLayout scanPostScriptFile(const std::wstring& path, const PageLayout& start) {
    DebugLine() << "updateParamsFromFile";
    C_bvFileU file(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    PostScriptScanner scanner(start);
    std::vector<char> buffer(kScanChunkSize);
    // Each chunk after the first starts with the last bytes of the one before, carried
    // over in the buffer rather than read again.
    DWORD carried = 0;
    for (;;) {
        DWORD read = file.read(buffer.data() + carried, kScanChunkSize - carried);
        if (read == 0) break;
        DWORD length = carried + read;
        scanner.scanChunk(buffer.data(), length);
        if (length < kScanChunkSize) break;  // the file's end
        memmove(buffer.data(), buffer.data() + length - kScanChunkOverlap, kScanChunkOverlap);
        carried = kScanChunkOverlap;
    }
    file.close();
    return scanner.result();
}

}  // namespace engine
