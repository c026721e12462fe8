#include "module.h"

#include <mutex>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace com {
namespace {
volatile LONG lockCount = 0;
std::mutex handlerLock;
std::function<void()>& lastUnlockHandler() {
    static std::function<void()> handler;
    return handler;
}
}  // namespace

HMODULE moduleHandle() { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(moduleHandle(), &path[0], (DWORD)path.size());
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string moduleBaseName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(moduleHandle(), path, MAX_PATH);
    std::string name = path;
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

long lockModule() { return InterlockedIncrement(&lockCount); }

long unlockModule() {
    long count = InterlockedDecrement(&lockCount);
    if (count == 0) {
        std::function<void()> handler;
        {
            std::lock_guard<std::mutex> guard(handlerLock);
            handler = lastUnlockHandler();
        }
        if (handler) handler();
    }
    return count;
}

long moduleLockCount() { return lockCount; }

void setLastUnlockHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> guard(handlerLock);
    lastUnlockHandler() = std::move(handler);
}

}  // namespace com
