#include "file.h"

#include <type_traits>

#include "debug_log.h"
#include "error_msg.h"
#include "error_text.h"
#include "text_convert.h"

namespace {
HANDLE createFile(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    return CreateFileW(name, access, share, nullptr, disposition, attributes, nullptr);
}
HANDLE createFile(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    return CreateFileA(name, access, share, nullptr, disposition, attributes, nullptr);
}

std::string printable(const std::wstring& name) { return toAnsi(name); }
std::string printable(const std::string& name) { return name; }

template <typename Char>
const char* className() {
    return std::is_same<Char, wchar_t>::value ? "C_bvFileU" : "C_bvFileA";
}
}  // namespace

template <typename Char>
C_bvFile<Char>::~C_bvFile() {
    if (!std::is_same<Char, wchar_t>::value) DebugLine() << "C_bvFileA:: destructor";
    close();
}

template <typename Char>
void C_bvFile<Char>::fail(const char* what, DWORD error) const {
    throw cERROR_MSG(BV_ERR_GENERAL, what, className<Char>(), (int)error, systemErrorText(error).c_str());
}

template <typename Char>
void C_bvFile<Char>::open(const Char* name, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    close();
    if (!name || !*name) throw cERROR_MSG(BV_ERR_GENERAL, "%s: Filename must be specified", className<Char>());
    m_name = name;
    m_handle.reset(createFile(name, access, share, disposition, attributes));
    if (!m_handle.valid()) {
        DWORD error = GetLastError();
        DebugLine() << "***" << className<Char>() << "::File creation error (" << error
                    << ") on file: " << printable(m_name);
        fail("***%s::File creation error(%d) - %s", error);
    }
}

template <typename Char>
uint64_t C_bvFile<Char>::seek(int64_t offset, DWORD origin) {
    LONG high = (LONG)(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(m_handle.get(), (LONG)(offset & 0xFFFFFFFF), &high, origin);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        fail("***%s::File seek error(%d) - %s", GetLastError());
    return ((uint64_t)(DWORD)high << 32) | low;
}

template <typename Char>
DWORD C_bvFile<Char>::read(void* buffer, DWORD count) {
    DWORD done = 0;
    if (!ReadFile(m_handle.get(), buffer, count, &done, nullptr))
        fail("***%s::File read error(%d) - %s", GetLastError());
    return done;
}

template <typename Char>
DWORD C_bvFile<Char>::write(const void* buffer, DWORD count) {
    DWORD done = 0;
    if (!WriteFile(m_handle.get(), buffer, count, &done, nullptr))
        fail("***%s::File write error(%d) - %s", GetLastError());
    return done;
}

template <typename Char>
uint64_t C_bvFile<Char>::size() {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_handle.get(), &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        fail("***%s::Cannot obtain file object size [%d - %s]", GetLastError());
    return ((uint64_t)high << 32) | low;
}

template <typename Char>
void C_bvFile<Char>::close() {
    if (!m_handle.valid()) return;
    if (!std::is_same<Char, wchar_t>::value) DebugLine() << "C_bvFileA:: deallocate";
    m_handle.reset();
}

template class C_bvFile<wchar_t>;
template class C_bvFile<char>;
