#pragma once
// C_bvFileU (wide name) and C_bvFileA (8-bit name): an open file whose every failure is a
// cERROR_MSG 1000 carrying the system error number and text, for example
// "***C_bvFileU::File read error(%d) - %s". C_bvFileA logs "C_bvFileA:: destructor" when
// destroyed and "C_bvFileA:: deallocate" when it closes its handle.
#include <windows.h>

#include <cstdint>
#include <string>

#include "handles.h"

template <typename Char>
class C_bvFile {
public:
    using Name = std::basic_string<Char>;

    C_bvFile() = default;
    // Opens or creates the file (CreateFile); see open.
    C_bvFile(const Char* name, DWORD access, DWORD share, DWORD disposition, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        open(name, access, share, disposition, attributes);
    }
    ~C_bvFile();
    C_bvFile(C_bvFile&&) noexcept = default;
    C_bvFile& operator=(C_bvFile&&) noexcept = default;

    // Closes what is open first. An empty name throws "...: Filename must be specified";
    // a failed creation logs "***...::File creation error (N) on file: name" and throws
    // "***...::File creation error(%d) - %s".
    void open(const Char* name, DWORD access, DWORD share, DWORD disposition, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
    // Moves the file pointer (origin FILE_BEGIN, FILE_CURRENT or FILE_END); returns the new position.
    uint64_t seek(int64_t offset, DWORD origin);
    // Returns the bytes read: fewer than asked near the end, 0 at the end.
    DWORD read(void* buffer, DWORD count);
    DWORD write(const void* buffer, DWORD count);
    uint64_t size();
    void close();

    bool isOpen() const { return m_handle.valid(); }
    HANDLE handle() const { return m_handle.get(); }
    const Name& name() const { return m_name; }

private:
    [[noreturn]] void fail(const char* what, DWORD error) const;

    Name m_name;
    FileHandle m_handle;
};

using C_bvFileU = C_bvFile<wchar_t>;
using C_bvFileA = C_bvFile<char>;
