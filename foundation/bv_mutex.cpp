#include "bv_mutex.h"

#include "debug_log.h"

namespace {
const char* shown(const char* label) { return label ? label : "no-code"; }
}  // namespace

C_BVMutex::C_BVMutex() : m_handle(CreateMutexA(nullptr, FALSE, nullptr)) {
    if (!m_handle) DebugLine() << "***C_BVMutex: could not init mutex";
}

C_BVMutex::~C_BVMutex() {
    if (m_handle) CloseHandle(m_handle);
}

HANDLE C_BVMutex::handle() const {
    std::lock_guard<std::mutex> guard(m_fields);
    return m_handle;
}

const char* C_BVMutex::owner() const {
    std::lock_guard<std::mutex> guard(m_fields);
    return m_owner;
}

const char* C_BVMutex::previousOwner() const {
    std::lock_guard<std::mutex> guard(m_fields);
    return m_previousOwner;
}

HANDLE C_BVMutex::enter(const char* label, DWORD timeoutMs, HANDLE* triedHandle, const char** previousOwner) {
    HANDLE handle = this->handle();
    if (triedHandle) *triedHandle = handle;
    DWORD waited = handle ? WaitForSingleObject(handle, timeoutMs) : WAIT_FAILED;
    std::lock_guard<std::mutex> guard(m_fields);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        m_previousOwner = m_owner;
        m_owner = label;
        if (previousOwner) *previousOwner = m_previousOwner;
        return handle;
    }
    DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] enterCritical: captured on:" << shown(m_owner)
                << "  - not allowing:" << shown(label) << "   handle:" << handle;
    return nullptr;
}

HANDLE C_BVMutex::reset(HANDLE expectedHandle, const char* label, const char** previousOwner) {
    std::lock_guard<std::mutex> guard(m_fields);
    if (m_handle != expectedHandle) {
        DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] tring to reset handle " << expectedHandle
                    << "  when the handle is:" << m_handle;
        return nullptr;
    }
    // The new mutex is made before the old handle is closed, so it cannot get the old
    // handle's value and be mistaken for it.
    HANDLE fresh = CreateMutexA(nullptr, TRUE, nullptr);
    if (!fresh) {
        DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] reset handle could not take over";
        m_owner = "**reset**";
        return nullptr;
    }
    if (m_handle) CloseHandle(m_handle);
    m_handle = fresh;
    DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] reset handle from:" << shown(m_owner)
                << "  - with:" << shown(label);
    m_previousOwner = m_owner;
    m_owner = label;
    if (previousOwner) *previousOwner = m_previousOwner;
    return fresh;
}

void C_BVMutex::leave(HANDLE handle, const char* previousOwner) {
    std::lock_guard<std::mutex> guard(m_fields);
    if (handle == m_handle) {
        if (!ReleaseMutex(handle))
            DebugLine() << "***** : [" << GetCurrentThreadId() << "] cannot release mutex captured by "
                        << shown(m_owner);
        m_owner = previousOwner;
        return;
    }
    // The lock was reset while this block ran; reset closed the old handle, so it cannot
    // be released (and its value may already name something else).
    DebugLine() << "***** : [" << GetCurrentThreadId() << "] (1) cannot release mutex captured by " << shown(m_owner);
}

C_BVMutexLock::C_BVMutexLock(C_BVMutex& mutex, DWORD timeoutMs, const char* label) : m_mutex(mutex) {
    if (!label) return;
    while (!m_handle) {
        HANDLE tried = nullptr;
        m_handle = m_mutex.enter(label, timeoutMs, &tried, &m_previousOwner);
        if (!m_handle) m_handle = m_mutex.reset(tried, label, &m_previousOwner);
    }
}

C_BVMutexLock::~C_BVMutexLock() {
    if (m_handle) m_mutex.leave(m_handle, m_previousOwner);
}
