#pragma once
// Paper and page information from the document-structuring comments of a spooled
// PostScript file: "/PageSize [w h]" (points), "%%Orientation: Landscape" and the labels
// of "%%Page:" comments.
#include <string>

namespace engine {

struct PageLayout {
    double width = 0.0;  // inches
    double height = 0.0;
    long pages = 1;
};

constexpr double kInchesPerPoint = 0.013888888888888888;
constexpr unsigned kScanChunkSize = 51200;
// Each chunk after the first starts this many bytes before the end of the one before,
// so that a keyword cut at a chunk boundary is found whole in the next chunk.
constexpr unsigned kScanChunkOverlap = 20;

// Reads the comments of one text after another and keeps what they say.
class PostScriptScanner {
public:
    explicit PostScriptScanner(const PageLayout& start) : m_layout(start) {}

    // One chunk, as text up to its first NUL, read in one pass without a copy: the
    // first "/PageSize" and the first "%%Orientation:" of the chunk count, and every
    // "%%Page:".
    void scanChunk(const char* data, size_t size);
    // The layout with the landscape mark applied.
    PageLayout result() const;

private:
    // Each reader gets its keyword's place; what it reads ends at the chunk's end or
    // its first NUL.
    void readPageSize(const char* keyword, const char* end);
    void readOrientation(const char* keyword, const char* end);
    void readPageLabel(const char* keyword, const char* end);

    PageLayout m_layout;
    bool m_landscape = false;
};

// Scans the file in chunks. The file is opened for reading and writing without sharing
// and created when it does not exist; file errors throw the file object's cERROR_MSG.
PageLayout scanPostScriptFile(const std::wstring& path, const PageLayout& start);

}  // namespace engine
