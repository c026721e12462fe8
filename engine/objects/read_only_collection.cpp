#include "read_only_collection.h"

#include "collection_enumerator.h"
#include "com/guard.h"
#include "engine_ids.h"
#include "variant.h"

void CkeloReadOnlyCollection::setData(const std::vector<com::ComPtr<IDispatch>>& items) {
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CkeloReadOnlyCollection::setData");
    LIST<com::ComPtr<IDispatch>> copy((int)items.size());
    for (const auto& item : items) copy.append(item);
    m_items.swap(copy);
}

STDMETHODIMP CkeloReadOnlyCollection::Item(VARIANT index, IDispatch** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return com::guard(engine::kCollectionSource, [&]() -> HRESULT {
        Variant position;
        if (FAILED(VariantChangeType(&position, &index, 0, VT_I4)))
            return com::setRichError(E_INVALIDARG, L"ReadOnlyCollection - Invalid Index", engine::kCollectionSource);
        C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CkeloReadOnlyCollection::Item");
        if (position.lVal < 0 || position.lVal >= m_items.count())
            return com::setRichError(E_INVALIDARG, L"ReadOnlyCollection - Index out of range",
                                     engine::kCollectionSource);
        com::ComPtr<IDispatch> item = m_items[position.lVal];
        *pVal = item.Detach();
        return S_OK;
    });
}

STDMETHODIMP CkeloReadOnlyCollection::get__NewEnum(IUnknown** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    com::ComPtr<CCollectionEnumerator> enumerator;
    try {
        enumerator = com::make<CCollectionEnumerator>();
        enumerator->setSource(this);
    } catch (...) {
        return E_FAIL;
    }
    *pVal = enumerator->identity();
    enumerator.Detach();
    return S_OK;
}

STDMETHODIMP CkeloReadOnlyCollection::get_Count(long* pVal) {
    if (!pVal) return E_POINTER;
    C_BVMutexLock lock(m_lock, kLockTimeoutMs, "CkeloReadOnlyCollection::get_Count");
    *pVal = m_items.count();
    return S_OK;
}
