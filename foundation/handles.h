#pragma once
// One owning type per kind of system handle. Each closes its handle exactly once.
#include <windows.h>
#include <winspool.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return m_handle; }
    bool valid() const { return m_handle != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    // Closes what is held and returns the slot for an API that fills it.
    Handle* out() {
        reset();
        return &m_handle;
    }
    Handle release() { return std::exchange(m_handle, Traits::invalid()); }
    void reset(Handle handle = Traits::invalid()) {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::invalid()) Traits::close(old);
    }

private:
    Handle m_handle = Traits::invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { RegCloseKey(h); }
};
struct PrinterHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { ClosePrinter(h); }
};
struct ModuleHandleTraits {
    using Handle = HMODULE;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { FreeLibrary(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;    // events, mutexes, threads, processes
using FileHandle = UniqueHandle<FileHandleTraits>;        // CreateFile
using FindHandle = UniqueHandle<FindHandleTraits>;        // FindFirstFile
using RegKey = UniqueHandle<RegKeyTraits>;                // RegOpenKeyEx, RegCreateKeyEx
using PrinterHandle = UniqueHandle<PrinterHandleTraits>;  // OpenPrinter
using LibraryHandle = UniqueHandle<ModuleHandleTraits>;   // LoadLibrary
