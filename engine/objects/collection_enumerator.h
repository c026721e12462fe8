#pragma once
// CCollectionEnumerator: walks a read-only collection for for-each iteration. It reaches
// its source through the global interface table, so any thread may use it.
#include <windows.h>
#include <oaidl.h>

#include "bv_mutex.h"
#include "com/error_info.h"
#include "com/object.h"
#include "engine_h.h"
#include "mta2sta.h"

class CCollectionEnumerator
    : public com::Object<CCollectionEnumerator, IEnumVARIANT, com::SupportErrorInfo<IEnumVARIANT>> {
public:
    static constexpr bool kFreeThreaded = true;

    // Keeps the source (referenced through the table) and starts at its first element.
    void setSource(IReadOnlyCollection* source);

    STDMETHODIMP Next(ULONG wanted, VARIANT* items, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** copy) override;

private:
    com::ComPtr<IReadOnlyCollection> source();
    LONG currentIndex();

    C_BVMutex m_lock;
    volatile LONG m_position = 0;
    tMTA2STA<IReadOnlyCollection> m_source;
};
