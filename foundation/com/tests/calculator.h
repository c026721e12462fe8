#pragma once
// The test class built from the COM support: dual interface answered from the embedded
// type library, one event interface, rich errors.
#include "calculator_h.h"
#include "com/connection_point.h"
#include "com/error_info.h"
#include "com/guard.h"
#include "com/typelib_dispatch.h"

class CCalculator : public com::Object<CCalculator, com::TypeLibDispatch<ICalculator>,
                                       com::EventSource<_ICalculatorEvents>, com::SupportErrorInfo<ICalculator>> {
public:
    static constexpr bool kFreeThreaded = true;
    static constexpr const wchar_t* kSource = L"Test.Calculator.1";

    explicit CCalculator(com::ModuleLock policy = com::ModuleLock::WhileAlive) : Object(policy) {}

    STDMETHODIMP add(long a, long b, long* sum) override;
    STDMETHODIMP get_total(long* value) override;
    STDMETHODIMP put_total(long value) override;
    STDMETHODIMP fail(long kind) override;
    STDMETHODIMP announce(long value, BSTR text, long* delivered) override;

private:
    long m_total = 0;
};

// The singleton flavour: its references count as module locks.
class CSharedCalculator : public CCalculator {
public:
    CSharedCalculator() : CCalculator(com::ModuleLock::PerReference) {}
};
