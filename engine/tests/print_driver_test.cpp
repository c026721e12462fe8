// Driver objects: the printer's description and registry data, the job table and the
// announcement of new jobs to every sink.
#include "bstr.h"
#include "com/error_info.h"
#include "com/event_sink.h"
#include "debug_log.h"
#include "driver_creation.h"
#include "engine_test_support.h"
#include "print_driver.h"
#include "printer_registry.h"
#include "variant.h"

#include <vector>

using namespace enginetest;

namespace {

const wchar_t kServerIp[] = L"10.1.2.3";

class PrintDriverTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        m_temp = std::make_unique<ScopedTempFolder>();
        m_printer =
            std::make_unique<lab::ScopedPrinter>(lab::keloPrinter(testPrinterName(), lab::kZoltPort, kServerIp));
    }
    void TearDown() override {
        m_printer.reset();
        m_temp.reset();
        ComTest::TearDown();
    }

    static void writeDriverData(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, engine::driverDataKey(testPrinterName()).c_str(), 0,
                                               KEY_SET_VALUE, key.out()));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), name, 0, type, (const BYTE*)data, size));
    }

    static std::wstring text(HRESULT (STDMETHODCALLTYPE IPrintDriver::*getter)(BSTR*), IPrintDriver* driver) {
        BStr value;
        *value.out() = poisoned<BSTR>();
        EXPECT_HRESULT_SUCCEEDED((driver->*getter)(value.out()));
        return value.str();
    }

    std::unique_ptr<ScopedTempFolder> m_temp;
    std::unique_ptr<lab::ScopedPrinter> m_printer;
};

struct Announcement {
    VARTYPE type = VT_EMPTY;
    long jobId = -1;
    ComPtr<IPrintJob> job;
};

ComPtr<com::EventSink> announcementSink(std::vector<Announcement>& received, HRESULT answer = S_OK) {
    return com::make<com::EventSink>(DIID__IPrintDriverEvents, [&received, answer](DISPID event, DISPPARAMS* params) {
        if (event != 1 || !params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        Announcement announcement;
        const VARIANT* argument = com::eventArgument(params, 0);
        announcement.type = argument->vt;
        if (argument->vt == VT_DISPATCH && argument->pdispVal &&
            SUCCEEDED(argument->pdispVal->QueryInterface(IID_PPV_ARGS(&announcement.job))))
            announcement.job->get_jobId(&announcement.jobId);
        received.push_back(announcement);
        return answer;
    });
}

std::vector<long> jobIdsOf(IPrintDriver* driver) {
    ComPtr<IReadOnlyCollection> jobs;
    EXPECT_HRESULT_SUCCEEDED(driver->get_printJobs(&jobs));
    std::vector<long> ids;
    long count = 0;
    if (!jobs || FAILED(jobs->get_Count(&count))) return ids;
    for (long i = 0; i < count; ++i) {
        ComPtr<IDispatch> item;
        ComPtr<IPrintJob> job;
        long id = -1;
        if (SUCCEEDED(jobs->Item(Variant(i), &item)) && SUCCEEDED(item.As(&job))) job->get_jobId(&id);
        ids.push_back(id);
    }
    return ids;
}

}  // namespace

TEST_F(PrintDriverTest, DescribesItsPrinterAndMakesItsFolder) {
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(testPrinterName());
    EXPECT_EQ(testPrinterName(), text(&IPrintDriver::get_printerName, driver.Get()));
    EXPECT_EQ(lab::uploadComment(testPrinterName(), kServerIp), text(&IPrintDriver::get_printerComment, driver.Get()));
    EXPECT_NE(std::wstring::npos, text(&IPrintDriver::get_printerDescription, driver.Get()).find(testPrinterName()));
    EXPECT_EQ(
        L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Kelo Engine "
        L"Test\\PrinterDriverData",
        text(&IPrintDriver::get_driverDataPath, driver.Get()));
    std::wstring folder = m_temp->jobsPath() + testPrinterName() + L"\\";
    EXPECT_EQ(folder, text(&IPrintDriver::get_jobsPath, driver.Get()));
    EXPECT_TRUE(lab::fileExists(folder));
    EXPECT_EQ(kServerIp, driver->serverAddress());

    Variant id;
    id.vt = VT_I4;
    ASSERT_HRESULT_SUCCEEDED(driver->get_Id(id.out()));
    EXPECT_EQ(VT_EMPTY, id.vt);
}

TEST_F(PrintDriverTest, APrinterWithoutServerAddressStillGetsItsFolder) {
    lab::ScopedPrinter foreign(lab::foreignPrinter(L"Kelo Engine Foreign", lab::kZoltPort));
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(L"Kelo Engine Foreign");
    std::wstring folder = m_temp->jobsPath() + L"Kelo Engine Foreign\\";
    EXPECT_EQ(folder, text(&IPrintDriver::get_jobsPath, driver.Get()));
    EXPECT_TRUE(lab::fileExists(folder));
    EXPECT_EQ(L"", driver->serverAddress());
}

TEST_F(PrintDriverTest, AnUnattachedDriverHasNoDataPath) {
    ComPtr<CPrintDriver> driver = com::make<CPrintDriver>();
    BSTR path = poisoned<BSTR>();
    EXPECT_EQ(E_UNEXPECTED, driver->get_driverDataPath(&path));
    EXPECT_EQ(nullptr, path);
    EXPECT_EQ(L"PrintDriver: Driver isn't attached to printer!", com::takeErrorDescription());
    BSTR name = poisoned<BSTR>();
    EXPECT_HRESULT_SUCCEEDED(driver->get_printerName(&name));
    EXPECT_EQ(nullptr, name) << "no name yet";
}

TEST_F(PrintDriverTest, DriverDataConvertsEachRegistryType) {
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(testPrinterName());
    auto read = [&](const wchar_t* name, Variant& value) {
        return driver->getDriverData(BStr(name).get(), value.out());
    };

    Variant value;
    ASSERT_HRESULT_SUCCEEDED(read(L"KELOSERVERIP", value)) << "value names ignore letter case";
    EXPECT_EQ(VT_BSTR, value.vt);
    EXPECT_EQ(kServerIp, value.toString());

    const BYTE bytes[] = {1, 0x80, 0xff};
    writeDriverData(L"Blob", REG_BINARY, bytes, sizeof bytes);
    ASSERT_HRESULT_SUCCEEDED(read(L"Blob", value));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, value.vt);
    ASSERT_EQ(1u, SafeArrayGetDim(value.parray));
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(value.parray, 1, &lower);
    SafeArrayGetUBound(value.parray, 1, &upper);
    EXPECT_EQ(0, lower);
    ASSERT_EQ(2, upper);
    for (LONG i = 0; i < 3; ++i) {
        Variant element;
        ASSERT_HRESULT_SUCCEEDED(SafeArrayGetElement(value.parray, &i, element.out()));
        EXPECT_EQ(VT_UI1, element.vt);
        EXPECT_EQ(bytes[i], element.bVal);
    }

    DWORD number = 0x12345678;
    writeDriverData(L"Number", REG_DWORD, &number, sizeof number);
    ASSERT_HRESULT_SUCCEEDED(read(L"Number", value));
    EXPECT_EQ(VT_I4, value.vt);
    EXPECT_EQ(0x12345678, value.lVal);

    const wchar_t expandable[] = L"%TEMP%\\x";
    writeDriverData(L"Expandable", REG_EXPAND_SZ, expandable, sizeof expandable);
    ASSERT_HRESULT_SUCCEEDED(read(L"Expandable", value));
    EXPECT_EQ(L"%TEMP%\\x", value.toString()) << "not expanded";

    const wchar_t list[] = L"one\0two\0\0";
    writeDriverData(L"List", REG_MULTI_SZ, list, sizeof list);
    ASSERT_HRESULT_SUCCEEDED(read(L"List", value));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, value.vt);
    SafeArrayGetUBound(value.parray, 1, &upper);
    ASSERT_EQ(1, upper);
    for (LONG i = 0; i < 2; ++i) {
        Variant element;
        ASSERT_HRESULT_SUCCEEDED(SafeArrayGetElement(value.parray, &i, element.out()));
        EXPECT_EQ(i == 0 ? L"one" : L"two", element.toString());
    }

    ULONGLONG wide = 1;
    writeDriverData(L"Quad", REG_QWORD, &wide, sizeof wide);
    EXPECT_EQ(DISP_E_EXCEPTION, read(L"Quad", value));
    EXPECT_EQ(L"getPrinterRegistryValue: unsupported registry data type", com::takeErrorDescription());

    EXPECT_EQ(DISP_E_EXCEPTION, read(L"NoSuchValue", value));
    EXPECT_EQ(VT_EMPTY, value.vt);
    EXPECT_EQ(L"getPrinterRegistryValue: cannot get registry data", com::takeErrorDescription());
}

TEST_F(PrintDriverTest, NewJobsAreAnnouncedToEverySinkEvenWhenOneFails) {
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(testPrinterName());
    std::vector<Announcement> first, failing, last;
    com::Subscription a, b, c;
    auto firstSink = announcementSink(first), failingSink = announcementSink(failing, E_FAIL),
         lastSink = announcementSink(last);
    ASSERT_HRESULT_SUCCEEDED(a.begin(driver->identity(), DIID__IPrintDriverEvents, firstSink.Get()));
    ASSERT_HRESULT_SUCCEEDED(b.begin(driver->identity(), DIID__IPrintDriverEvents, failingSink.Get()));
    ASSERT_HRESULT_SUCCEEDED(c.begin(driver->identity(), DIID__IPrintDriverEvents, lastSink.Get()));

    DebugLogCapture log;
    EXPECT_EQ(41, driver->startDoc(41));
    ASSERT_EQ(1u, first.size());
    ASSERT_EQ(1u, failing.size());
    ASSERT_EQ(1u, last.size());
    EXPECT_EQ(VT_DISPATCH, first[0].type);
    EXPECT_EQ(41, first[0].jobId);
    EXPECT_EQ(41, last[0].jobId);
    EXPECT_TRUE(log.contains(com::moduleBaseName() + " - error on notifing 1 -2147467259"));
    EXPECT_EQ(std::vector<long>{41}, jobIdsOf(driver.Get())) << "the job stays registered";
}

TEST_F(PrintDriverTest, ASecondStartWithTheSameJobIdIsRefusedSilently) {
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(testPrinterName());
    std::vector<Announcement> received;
    com::Subscription subscription;
    auto sink = announcementSink(received);
    ASSERT_HRESULT_SUCCEEDED(subscription.begin(driver->identity(), DIID__IPrintDriverEvents, sink.Get()));

    EXPECT_EQ(7, driver->startDoc(7));
    EXPECT_EQ(0, driver->startDoc(7));
    EXPECT_EQ(1u, received.size()) << "no event for the refused start";
    EXPECT_EQ(1, driver->writePrinter(7, 10));
    EXPECT_EQ(0, driver->writePrinter(8, 10));
    EXPECT_EQ(0, driver->startPage(8));
    EXPECT_EQ(0, driver->endPage(8));
    try {
        driver->outputFile(8);
        FAIL() << "no job 8";
    } catch (const cERROR_MSG& error) {
        EXPECT_STREQ("Invalid job handle", error.message);
    }
    driver->close(7);
    EXPECT_EQ(7, driver->startDoc(7)) << "a closed id may start again";
}

TEST_F(PrintDriverTest, PrintJobsIsASnapshotInJobIdOrder) {
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(testPrinterName());
    EXPECT_EQ(30, driver->startDoc(30));
    EXPECT_EQ(10, driver->startDoc(10));
    ComPtr<IReadOnlyCollection> before;
    ASSERT_HRESULT_SUCCEEDED(driver->get_printJobs(&before));
    EXPECT_EQ(20, driver->startDoc(20));

    long count = 0;
    before->get_Count(&count);
    EXPECT_EQ(2, count) << "a later job does not change an earlier snapshot";
    EXPECT_EQ((std::vector<long>{10, 20, 30}), jobIdsOf(driver.Get()));
    driver->close(20);
    EXPECT_EQ((std::vector<long>{10, 30}), jobIdsOf(driver.Get()));
}

TEST_F(PrintDriverTest, ASinkThatSubscribesToTheNewJobSeesAllItsEvents) {
    ComPtr<CPrintDriver> driver = engine::createPrintDriver(testPrinterName());
    std::vector<std::wstring> events;
    com::Subscription jobSubscription;
    auto jobSink = com::make<com::EventSink>(DIID__IPrintJobEvents, [&events](DISPID event, DISPPARAMS* params) {
        std::wstring line = std::to_wstring(event);
        for (UINT i = 0; params && i < params->cArgs; ++i) {
            const VARIANT* argument = com::eventArgument(params, i);
            line += L" " + std::to_wstring(argument->vt) + L":";
            if (argument->vt == VT_BSTR)
                line += argument->bstrVal ? argument->bstrVal : L"(null)";
            else
                line += std::to_wstring(Variant(*argument).toLong());
        }
        events.push_back(line);
        return S_OK;
    });
    auto driverSink = com::make<com::EventSink>(DIID__IPrintDriverEvents, [&](DISPID, DISPPARAMS* params) {
        const VARIANT* job = com::eventArgument(params, 0);
        return jobSubscription.begin(job->pdispVal, DIID__IPrintJobEvents, jobSink.Get());
    });
    com::Subscription driverSubscription;
    ASSERT_HRESULT_SUCCEEDED(driverSubscription.begin(driver->identity(), DIID__IPrintDriverEvents, driverSink.Get()));

    ASSERT_EQ(5, driver->startDoc(5));
    ASSERT_TRUE(jobSubscription.active());
    EXPECT_EQ(1, driver->writePrinter(5, 4096));
    EXPECT_EQ(1, driver->startPage(5));
    EXPECT_EQ(1, driver->endPage(5));
    driver->abort(5);
    driver->endDoc(5);
    driver->close(5);
    std::vector<std::wstring> expected = {L"6 3:4096", L"1 3:1", L"2", L"5", L"3", L"4 2:1 8:(null)"};
    EXPECT_EQ(expected, events) << "onCloseDoc: aborted as a 16-bit integer, no folder yet";
}
