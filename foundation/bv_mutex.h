#pragma once
// C_BVMutex: a labelled lock with a wait limit. A thread that waits longer than its
// timeout takes the lock over (reset): it replaces the system mutex with a new one that
// it owns, and the thread that held the old one only logs when it leaves. Labels are
// diagnostics for the log and must outlive their hold (string literals).
//
// Normal use is the scoped lock:
//   C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CPrintDriver::get_printerName");
#include <windows.h>

#include <mutex>

// The wait limit of every component's locks.
constexpr DWORD kLockTimeoutMs = 25000;

class C_BVMutex {
public:
    C_BVMutex();
    ~C_BVMutex();
    C_BVMutex(const C_BVMutex&) = delete;
    C_BVMutex& operator=(const C_BVMutex&) = delete;

    // Waits up to timeoutMs. Returns the handle it holds, or null (and logs) after the
    // timeout. The handle waited on goes to *triedHandle, and the label that owned the
    // lock before to *previousOwner, when they are given.
    HANDLE enter(const char* label, DWORD timeoutMs, HANDLE* triedHandle = nullptr,
                 const char** previousOwner = nullptr);
    // Takes the lock over after a timeout on expectedHandle; null (and the lock untouched)
    // when another waiter replaced that handle already or no new mutex could be made.
    HANDLE reset(HANDLE expectedHandle, const char* label, const char** previousOwner = nullptr);
    // Releases what enter or reset returned and gives the owner label back.
    void leave(HANDLE handle, const char* previousOwner);

    HANDLE handle() const;
    const char* owner() const;
    const char* previousOwner() const;

private:
    mutable std::mutex m_fields;  // guards the three fields, never held while waiting
    HANDLE m_handle = nullptr;
    const char* m_owner = nullptr;
    const char* m_previousOwner = nullptr;
};

// Holds a C_BVMutex for one block: enters, and after each timeout resets, until it holds
// the lock; leaves on destruction. Without a label it does not lock at all.
class C_BVMutexLock {
public:
    C_BVMutexLock(C_BVMutex& mutex, DWORD timeoutMs, const char* label);
    ~C_BVMutexLock();
    C_BVMutexLock(const C_BVMutexLock&) = delete;
    C_BVMutexLock& operator=(const C_BVMutexLock&) = delete;

    bool locked() const { return m_handle != nullptr; }

private:
    C_BVMutex& m_mutex;
    HANDLE m_handle = nullptr;
    const char* m_previousOwner = nullptr;
};
