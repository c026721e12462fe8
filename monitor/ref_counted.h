#pragma once
// Reference counting for the monitor's own objects (the port manager and its ports),
// which the spooler and the port list share. RefPtr holds one reference.
#include <windows.h>

#include <utility>

class C_refCounted {
public:
    ULONG AddRef() { return (ULONG)InterlockedIncrement(&m_references); }
    ULONG Release() {
        LONG left = InterlockedDecrement(&m_references);
        if (left == 0) delete this;
        return (ULONG)left;
    }

protected:
    C_refCounted() = default;  // the creator holds the first reference
    virtual ~C_refCounted() = default;
    C_refCounted(const C_refCounted&) = delete;
    C_refCounted& operator=(const C_refCounted&) = delete;

private:
    volatile LONG m_references = 1;
};

template <class T>
class RefPtr {
public:
    RefPtr() = default;
    // Takes over a reference the caller owns.
    static RefPtr adopt(T* object) {
        RefPtr held;
        held.m_object = object;
        return held;
    }
    // Adds a reference of its own.
    static RefPtr share(T* object) {
        if (object) object->AddRef();
        return adopt(object);
    }

    ~RefPtr() { reset(); }
    RefPtr(const RefPtr& other) : m_object(other.m_object) {
        if (m_object) m_object->AddRef();
    }
    RefPtr(RefPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    RefPtr& operator=(RefPtr other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    // Gives the reference to the caller.
    T* release() { return std::exchange(m_object, nullptr); }
    void reset() {
        if (T* old = std::exchange(m_object, nullptr)) old->Release();
    }

private:
    T* m_object = nullptr;
};
