#pragma once
// CkeloReadOnlyCollection: a fixed list of dispatch references for automation clients.
#include <windows.h>

#include <vector>

#include "bv_mutex.h"
#include "com/error_info.h"
#include "com/object.h"
#include "com/typelib_dispatch.h"
#include "engine_h.h"
#include "list.h"

class CkeloReadOnlyCollection : public com::Object<CkeloReadOnlyCollection, com::TypeLibDispatch<IReadOnlyCollection>,
                                                   com::SupportErrorInfo<IReadOnlyCollection>> {
public:
    static constexpr bool kFreeThreaded = true;

    // Copies the list, each element referenced. The producer fills a collection once.
    void setData(const std::vector<com::ComPtr<IDispatch>>& items);

    STDMETHODIMP Item(VARIANT index, IDispatch** pVal) override;
    STDMETHODIMP get__NewEnum(IUnknown** pVal) override;
    STDMETHODIMP get_Count(long* pVal) override;

private:
    C_BVMutex m_lock;
    LIST<com::ComPtr<IDispatch>> m_items;
};
