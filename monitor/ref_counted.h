#pragma once
// Reference counting for the monitor's own objects (the port manager and its ports),
// which the spooler and the port list share. RefPtr holds one reference.
#include <windows.h>

#include <utility>

class C_refCounted {
public:
    ULONG AddRef() { return (ULONG)InterlockedIncrement(&references_); }
    ULONG Release() {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return (ULONG)left;
    }

protected:
    C_refCounted() = default;  // the creator holds the first reference
    virtual ~C_refCounted() = default;
    C_refCounted(const C_refCounted&) = delete;
    C_refCounted& operator=(const C_refCounted&) = delete;

private:
    volatile LONG references_ = 1;
};

template <class T>
class RefPtr {
public:
    RefPtr() = default;
    // Takes over a reference the caller owns.
    static RefPtr adopt(T* object) {
        RefPtr held;
        held.object_ = object;
        return held;
    }
    // Adds a reference of its own.
    static RefPtr share(T* object) {
        if (object) object->AddRef();
        return adopt(object);
    }

    ~RefPtr() { reset(); }
    RefPtr(const RefPtr& other) : object_(other.object_) {
        if (object_) object_->AddRef();
    }
    RefPtr(RefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Gives the reference to the caller.
    T* release() { return std::exchange(object_, nullptr); }
    void reset() {
        if (T* old = std::exchange(object_, nullptr)) old->Release();
    }

private:
    T* object_ = nullptr;
};
