#include "bv_mutex.h"

#include "debug_log.h"

namespace {
const char* shown(const char* label) { return label ? label : "no-code"; }
}  // namespace

C_BVMutex::C_BVMutex() : handle_(CreateMutexA(nullptr, FALSE, nullptr)) {
    if (!handle_) DebugLine() << "***C_BVMutex: could not init mutex";
}

C_BVMutex::~C_BVMutex() {
    if (handle_) CloseHandle(handle_);
}

HANDLE C_BVMutex::handle() const {
    std::lock_guard<std::mutex> guard(fields_);
    return handle_;
}

const char* C_BVMutex::owner() const {
    std::lock_guard<std::mutex> guard(fields_);
    return owner_;
}

const char* C_BVMutex::previousOwner() const {
    std::lock_guard<std::mutex> guard(fields_);
    return previousOwner_;
}

HANDLE C_BVMutex::enter(const char* label, DWORD timeoutMs, HANDLE* triedHandle, const char** previousOwner) {
    HANDLE handle = this->handle();
    if (triedHandle) *triedHandle = handle;
    DWORD waited = handle ? WaitForSingleObject(handle, timeoutMs) : WAIT_FAILED;
    std::lock_guard<std::mutex> guard(fields_);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        previousOwner_ = owner_;
        owner_ = label;
        if (previousOwner) *previousOwner = previousOwner_;
        return handle;
    }
    DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] enterCritical: captured on:" << shown(owner_)
                << "  - not allowing:" << shown(label) << "   handle:" << handle;
    return nullptr;
}

HANDLE C_BVMutex::reset(HANDLE expectedHandle, const char* label, const char** previousOwner) {
    std::lock_guard<std::mutex> guard(fields_);
    if (handle_ != expectedHandle) {
        DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] tring to reset handle " << expectedHandle
                    << "  when the handle is:" << handle_;
        return nullptr;
    }
    // The new mutex is made before the old handle is closed, so it cannot get the old
    // handle's value and be mistaken for it.
    HANDLE fresh = CreateMutexA(nullptr, TRUE, nullptr);
    if (!fresh) {
        DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] reset handle could not take over";
        owner_ = "**reset**";
        return nullptr;
    }
    if (handle_) CloseHandle(handle_);
    handle_ = fresh;
    DebugLine() << "*****C_BVMutex: [" << GetCurrentThreadId() << "] reset handle from:" << shown(owner_)
                << "  - with:" << shown(label);
    previousOwner_ = owner_;
    owner_ = label;
    if (previousOwner) *previousOwner = previousOwner_;
    return fresh;
}

void C_BVMutex::leave(HANDLE handle, const char* previousOwner) {
    std::lock_guard<std::mutex> guard(fields_);
    if (handle == handle_) {
        if (!ReleaseMutex(handle))
            DebugLine() << "***** : [" << GetCurrentThreadId() << "] cannot release mutex captured by " << shown(owner_);
        owner_ = previousOwner;
        return;
    }
    // The lock was reset while this block ran; reset closed the old handle, so it cannot
    // be released (and its value may already name something else).
    DebugLine() << "***** : [" << GetCurrentThreadId() << "] (1) cannot release mutex captured by " << shown(owner_);
}

C_BVMutexLock::C_BVMutexLock(C_BVMutex& mutex, DWORD timeoutMs, const char* label) : mutex_(mutex) {
    if (!label) return;
    while (!handle_) {
        HANDLE tried = nullptr;
        handle_ = mutex_.enter(label, timeoutMs, &tried, &previousOwner_);
        if (!handle_) handle_ = mutex_.reset(tried, label, &previousOwner_);
    }
}

C_BVMutexLock::~C_BVMutexLock() {
    if (handle_) mutex_.leave(handle_, previousOwner_);
}
