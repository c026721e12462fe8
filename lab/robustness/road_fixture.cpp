#include "road_fixture.h"

#include "lab_printers.h"
#include "lab_registry.h"

namespace road {

namespace {
std::wstring driverDataKey() {
    return std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + kPrinter + L"\\PrinterDriverData";
}
}  // namespace

void RoadTest::expectArrivedWhole(size_t upload, const std::string& document) {
    lab::JsonValue uploads = provider->uploads();
    ASSERT_LT(upload, uploads.size());
    const lab::JsonValue& file = uploads.at(upload)["files"].at(0);
    EXPECT_EQ((double)document.size(), file["stored_size"].number());
    std::string stored = provider->uploadedFile(upload);
    EXPECT_EQ(document.size(), stored.size());
    EXPECT_TRUE(stored == document) << "the stored file differs from the printed document";
}

ServerAddressOverride::ServerAddressOverride(const std::wstring& address) {
    m_saved = lab::printerData(kPrinter, lab::kServerIpValue).value_or(L"");
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, driverDataKey(), lab::kServerIpValue, address);
}

ServerAddressOverride::~ServerAddressOverride() {
    lab::writeRegistryString(HKEY_LOCAL_MACHINE, driverDataKey(), lab::kServerIpValue, m_saved);
}

}  // namespace road
