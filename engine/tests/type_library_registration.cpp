// Engine events reach their sinks through the global interface table, which marshals
// the event interfaces: those need the type library registered. This program registers
// its own copy for the run, unless one is registered already (then it leaves it alone).
#include <gtest/gtest.h>

#include "com/registration.h"
#include "engine_h.h"
#include "handles.h"

namespace {

bool typeLibraryRegistered() {
    RegKey key;
    std::wstring path = L"TypeLib\\" + com::guidText(LIBID_keloPrintEngine) + L"\\1.0";
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

class TypeLibraryRegistration : public ::testing::Environment {
public:
    void SetUp() override {
        if (typeLibraryRegistered()) return;
        ASSERT_HRESULT_SUCCEEDED(com::registerModuleTypeLib());
        m_registered = true;
    }
    void TearDown() override {
        if (m_registered) com::unregisterModuleTypeLib();
    }

private:
    bool m_registered = false;
};

[[maybe_unused]] ::testing::Environment* const registration =
    ::testing::AddGlobalTestEnvironment(new TypeLibraryRegistration);

}  // namespace
