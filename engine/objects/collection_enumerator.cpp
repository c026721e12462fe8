#include "collection_enumerator.h"

#include "com/guard.h"
#include "engine_ids.h"
#include "variant.h"

void CCollectionEnumerator::setSource(IReadOnlyCollection* source) {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CCollectionEnumerator::setSource");
    if (source) source->AddRef();
    m_source.set(source);  // takes over the reference just added
    InterlockedExchange(&m_position, 0);
}

com::ComPtr<IReadOnlyCollection> CCollectionEnumerator::source() {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CCollectionEnumerator::getSource");
    return m_source.get();
}

LONG CCollectionEnumerator::currentIndex() {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CCollectionEnumerator::getCurrentIndex");
    return InterlockedCompareExchange(&m_position, 0, 0);
}

STDMETHODIMP CCollectionEnumerator::Next(ULONG wanted, VARIANT* items, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!items && wanted > 0) return E_POINTER;
    ULONG delivered = 0;
    HRESULT hr = com::guard(engine::kEnumeratorSource, [&]() -> HRESULT {
        com::ComPtr<IReadOnlyCollection> collection = source();
        long count = 0;
        com::check(collection->get_Count(&count));
        while (delivered < wanted) {
            LONG position = currentIndex();
            if (position >= count) break;
            com::ComPtr<IDispatch> item;
            com::check(collection->Item(Variant((long)position), &item));
            VariantInit(&items[delivered]);
            items[delivered].vt = VT_DISPATCH;
            items[delivered].pdispVal = item.Detach();
            ++delivered;
            InterlockedIncrement(&m_position);
        }
        return S_OK;
    });
    if (fetched) *fetched = delivered;
    if (FAILED(hr)) return hr;
    return delivered == wanted ? S_OK : S_FALSE;
}

STDMETHODIMP CCollectionEnumerator::Skip(ULONG count) {
    return com::guard(engine::kEnumeratorSource, [&]() -> HRESULT {
        com::ComPtr<IReadOnlyCollection> collection = source();
        long size = 0;
        com::check(collection->get_Count(&size));
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CCollectionEnumerator::Skip");
        LONGLONG target = (LONGLONG)m_position + count;
        InterlockedExchange(&m_position, (LONG)(target < size ? target : size));
        return S_OK;
    });
}

STDMETHODIMP CCollectionEnumerator::Reset() {
    InterlockedExchange(&m_position, 0);
    return S_OK;
}

STDMETHODIMP CCollectionEnumerator::Clone(IEnumVARIANT** copy) {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    return E_NOTIMPL;
}
