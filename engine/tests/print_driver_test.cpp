// Driver objects: the printer's description and registry data, the job table and the
// announcement of new jobs to every sink.
#include "bstr.h"
#include "com/error_info.h"
#include "driver_creation.h"
#include "engine_test_support.h"
#include "print_driver.h"
#include "printer_registry.h"
#include "variant.h"
#include "variant_list.h"

using namespace enginetest;

namespace {

const wchar_t kServerIp[] = L"10.1.2.3";

class PrintDriverTest : public ComTest {
protected:
    ScopedTempFolder m_temp;
    lab::ScopedPrinter m_printer{lab::keloPrinter(testPrinterName(), lab::kZoltPort, kServerIp)};
    ComPtr<CPrintDriver> m_driver = engine::createPrintDriver(testPrinterName());

    static std::wstring text(HRESULT (STDMETHODCALLTYPE IPrintDriver::*getter)(BSTR*), IPrintDriver* driver) {
        BStr value;
        *value.out() = poisoned<BSTR>();
        EXPECT_HRESULT_SUCCEEDED((driver->*getter)(value.out()));
        return value.str();
    }

    std::vector<long> jobIds() {
        ComPtr<IReadOnlyCollection> jobs;
        EXPECT_HRESULT_SUCCEEDED(m_driver->get_printJobs(&jobs));
        std::vector<long> ids;
        long count = 0;
        if (jobs) jobs->get_Count(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<IDispatch> item;
            ComPtr<IPrintJob> job;
            long id = -1;
            if (SUCCEEDED(jobs->Item(Variant(i), &item)) && SUCCEEDED(item.As(&job))) job->get_jobId(&id);
            ids.push_back(id);
        }
        return ids;
    }
};

}  // namespace

TEST_F(PrintDriverTest, DescribesItsPrinterAndMakesItsFolder) {
    EXPECT_EQ(testPrinterName(), text(&IPrintDriver::get_printerName, m_driver.Get()));
    EXPECT_EQ(lab::uploadComment(testPrinterName(), kServerIp),
              text(&IPrintDriver::get_printerComment, m_driver.Get()));
    EXPECT_NE(std::wstring::npos, text(&IPrintDriver::get_printerDescription, m_driver.Get()).find(testPrinterName()));
    EXPECT_EQ(
        L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Kelo Engine "
        L"Test\\PrinterDriverData",
        text(&IPrintDriver::get_driverDataPath, m_driver.Get()));
    EXPECT_EQ(kServerIp, m_driver->serverAddress());

    EXPECT_EQ(m_temp.jobsPath() + testPrinterName() + L"\\", text(&IPrintDriver::get_jobsPath, m_driver.Get()));
    EXPECT_TRUE(lab::fileExists(m_temp.jobsPath() + testPrinterName() + L"\\"));

    // One a script made itself is attached to no printer.
    ComPtr<CPrintDriver> unattached = com::make<CPrintDriver>();
    BSTR path = poisoned<BSTR>();
    EXPECT_EQ(E_UNEXPECTED, unattached->get_driverDataPath(&path));
    EXPECT_EQ(nullptr, path);
    EXPECT_EQ(L"PrintDriver: Driver isn't attached to printer!", com::takeErrorDescription());
}

TEST_F(PrintDriverTest, DriverDataConvertsEachRegistryType) {
    auto wide = [](const std::wstring& text) {
        return std::vector<BYTE>((const BYTE*)text.data(), (const BYTE*)(text.data() + text.size()));
    };
    // The value as "<type>:<text>"; an array as its lower bound and its elements.
    auto describe = [](const Variant& value) {
        if (value.vt != (VT_ARRAY | VT_VARIANT)) return std::to_wstring(value.vt) + L":" + value.toString();
        LONG lower = -1;
        SafeArrayGetLBound(value.parray, 1, &lower);
        tVARIANTLIST list(value);
        std::wstring text = std::to_wstring(lower) + L"[";
        for (int i = 0; i < list.count(); ++i) text += std::to_wstring(list[i].vt) + L":" + list[i].toString() + L" ";
        return text + L"]";
    };
    const struct {
        const wchar_t* name;
        DWORD type;  // REG_NONE: as the printer has it
        std::vector<BYTE> data;
        std::wstring value;
    } cases[] = {
        {L"KELOSERVERIP", REG_NONE, {}, L"8:10.1.2.3"},  // names ignore letter case
        {L"Blob", REG_BINARY, {1, 0x80, 0xff}, L"0[17:1 17:128 17:255 ]"},
        {L"Number", REG_DWORD, {0x78, 0x56, 0x34, 0x12}, L"3:305419896"},
        {L"Expandable", REG_EXPAND_SZ, wide(std::wstring(L"%TEMP%\\x", 9)), L"8:%TEMP%\\x"},  // not expanded
        {L"List", REG_MULTI_SZ, wide(std::wstring(L"one\0two\0\0", 9)), L"0[8:one 8:two ]"},
        {L"Quad", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, L"getPrinterRegistryValue: unsupported registry data type"},
        {L"NoSuchValue", REG_NONE, {}, L"getPrinterRegistryValue: cannot get registry data"},
    };
    for (const auto& test : cases) {
        if (test.type != REG_NONE) {
            RegKey key;
            ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, engine::driverDataKey(testPrinterName()).c_str(),
                                                   0, KEY_SET_VALUE, key.out()));
            ASSERT_EQ(ERROR_SUCCESS,
                      RegSetValueExW(key.get(), test.name, 0, test.type, test.data.data(), (DWORD)test.data.size()));
        }
        Variant value;
        HRESULT hr = m_driver->getDriverData(BStr(test.name).get(), value.out());
        EXPECT_EQ(test.value, SUCCEEDED(hr) ? describe(value) : com::takeErrorDescription());
        EXPECT_TRUE(SUCCEEDED(hr) || (hr == DISP_E_EXCEPTION && value.vt == VT_EMPTY)) << hr;
    }
}

TEST_F(PrintDriverTest, PrintJobsIsASnapshotInJobIdOrder) {
    EXPECT_EQ(30, m_driver->startDoc(30));
    EXPECT_EQ(10, m_driver->startDoc(10));
    ComPtr<IReadOnlyCollection> before;
    ASSERT_HRESULT_SUCCEEDED(m_driver->get_printJobs(&before));
    EXPECT_EQ(20, m_driver->startDoc(20));

    long count = 0;
    before->get_Count(&count);
    EXPECT_EQ(2, count) << "a later job does not change an earlier snapshot";
    EXPECT_EQ((std::vector<long>{10, 20, 30}), jobIds());
    m_driver->close(20);
    EXPECT_EQ((std::vector<long>{10, 30}), jobIds());
}

TEST_F(PrintDriverTest, NewJobsAreAnnouncedToEverySinkEvenWhenOneFails) {
    // (The events of the job itself are the driver manager test's.)
    std::vector<std::wstring> failing, last;
    com::Subscription a, b;
    auto failingSink = recordingSink(DIID__IPrintDriverEvents, failing, E_FAIL),
         lastSink = recordingSink(DIID__IPrintDriverEvents, last);
    ASSERT_HRESULT_SUCCEEDED(a.begin(m_driver->identity(), DIID__IPrintDriverEvents, failingSink.Get()));
    ASSERT_HRESULT_SUCCEEDED(b.begin(m_driver->identity(), DIID__IPrintDriverEvents, lastSink.Get()));

    EXPECT_EQ(5, m_driver->startDoc(5));
    for (const auto* received : {&failing, &last}) EXPECT_EQ(std::vector<std::wstring>{L"1 9:5"}, *received);
    EXPECT_EQ(0, m_driver->startDoc(5)) << "a second start with the same id is refused without an event";
    EXPECT_EQ(1u, last.size());
}
