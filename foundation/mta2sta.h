#pragma once
// tMTA2STA<I>: keeps one interface pointer in the process's global interface table so
// that any thread, in any apartment, can get a pointer it may use. The cookie is swapped
// atomically: a set and a revoke on different threads never revoke the same cookie twice.
// Failures throw cERROR_MSG 1000 with the texts "tMTA2STA: ...".
#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <atomic>

namespace git {
DWORD registerInterface(IUnknown* pointer, REFIID iid);
void revokeInterface(DWORD cookie);            // logs a failure, never throws
void* getInterface(DWORD cookie, REFIID iid);  // referenced
}  // namespace git

template <typename I>
class tMTA2STA {
public:
    tMTA2STA() = default;
    ~tMTA2STA() { revoke(); }
    tMTA2STA(const tMTA2STA&) = delete;
    tMTA2STA& operator=(const tMTA2STA&) = delete;

    // Revokes what is held, then keeps the pointer. Takes over the caller's reference:
    // the table keeps its own and the one passed in is released, even on failure.
    void set(I* pointer) {
        Microsoft::WRL::ComPtr<I> taken;
        *taken.GetAddressOf() = pointer;  // mingw's ComPtr::Attach adds a reference
        revoke();
        if (!pointer) return;
        DWORD previous = m_cookie.exchange(git::registerInterface(pointer, __uuidof(I)));
        if (previous) git::revokeInterface(previous);
    }

    // A referenced pointer for the calling thread's apartment. Throws
    // "*tMTA2STA: No interface marshaled" when nothing is held.
    Microsoft::WRL::ComPtr<I> get() const {
        Microsoft::WRL::ComPtr<I> pointer;
        *pointer.GetAddressOf() = static_cast<I*>(git::getInterface(m_cookie.load(), __uuidof(I)));
        return pointer;
    }

    void revoke() {
        DWORD cookie = m_cookie.exchange(0);
        if (cookie) git::revokeInterface(cookie);
    }

    bool empty() const { return m_cookie.load() == 0; }
    DWORD cookie() const { return m_cookie.load(); }

private:
    std::atomic<DWORD> m_cookie{0};
};
