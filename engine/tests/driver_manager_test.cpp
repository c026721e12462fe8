// The driver manager as the port monitor and the client use it, in this process, with
// the lab's spooler and registry.
#include "bstr.h"
#include "com/error_info.h"
#include "com/event_sink.h"
#include "debug_log.h"
#include "driver_manager.h"
#include "engine_test_support.h"
#include "lab_registry.h"
#include "msxml_ids.h"
#include "variant.h"

#include <algorithm>
#include <vector>

using namespace enginetest;

namespace {

const wchar_t kServerIp[] = L"127.0.0.1";

class DriverManagerTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        m_temp = std::make_unique<ScopedTempFolder>();
        m_printer =
            std::make_unique<lab::ScopedPrinter>(lab::keloPrinter(testPrinterName(), lab::kZoltPort, kServerIp));
        m_manager = com::make<CDriverManager>();
    }
    void TearDown() override {
        m_manager.Reset();
        m_printer.reset();
        m_temp.reset();
        ComTest::TearDown();
    }

    long startDoc(long jobId, const wchar_t* printer = testPrinterName()) {
        long handle = 0xdeadbeef;
        EXPECT_HRESULT_SUCCEEDED(m_manager->splStartDoc(BStr(printer).get(), jobId, &handle));
        return handle;
    }

    // What the port monitor does with the first write: creates the folder and the file.
    static void writeOutput(const std::wstring& path, const std::string& bytes) {
        std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        lab::writeFileBytes(path, bytes);
    }

    ComPtr<IPrintDriver> driver(const wchar_t* printer = testPrinterName()) {
        ComPtr<IPrintDriver> result;
        EXPECT_HRESULT_SUCCEEDED(m_manager->getDriver(BStr(printer).get(), &result));
        return result;
    }

    std::wstring printerFolder() const { return m_temp->jobsPath() + testPrinterName() + L"\\"; }

    std::unique_ptr<ScopedTempFolder> m_temp;
    std::unique_ptr<lab::ScopedPrinter> m_printer;
    ComPtr<CDriverManager> m_manager;
};

// The job announced by onNewPrintJob and the events it raises afterwards.
struct JobWatcher {
    ComPtr<IPrintJob> job;
    std::vector<DISPID> events;
    bool aborted = false;
    std::wstring closedFolder;
    bool closedFolderNull = false;
    com::Subscription jobSubscription;
    com::Subscription driverSubscription;
    ComPtr<com::EventSink> jobSink, driverSink;

    void watch(IPrintDriver* driver) {
        jobSink = com::make<com::EventSink>(DIID__IPrintJobEvents, [this](DISPID event, DISPPARAMS* params) {
            events.push_back(event);
            if (event == 4) {
                aborted = com::eventArgument(params, 0)->iVal != 0;
                BSTR path = com::eventArgument(params, 1)->bstrVal;
                closedFolderNull = path == nullptr;
                closedFolder = path ? path : L"";
            }
            return S_OK;
        });
        driverSink = com::make<com::EventSink>(DIID__IPrintDriverEvents, [this](DISPID, DISPPARAMS* params) {
            const VARIANT* argument = com::eventArgument(params, 0);
            argument->pdispVal->QueryInterface(IID_PPV_ARGS(&job));
            return jobSubscription.begin(argument->pdispVal, DIID__IPrintJobEvents, jobSink.Get());
        });
        EXPECT_HRESULT_SUCCEEDED(driverSubscription.begin(driver, DIID__IPrintDriverEvents, driverSink.Get()));
    }
};

std::wstring childText(const std::wstring& xmlPath, const wchar_t* element) {
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                (void**)document.GetAddressOf())))
        return L"<no DOM>";
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->load(Variant(xmlPath.c_str()), &loaded);
    if (loaded != VARIANT_TRUE) return L"<not loaded>";
    ComPtr<IXMLDOMNode> node;
    if (document->selectSingleNode(BStr((std::wstring(L"/job/") + element).c_str()).get(), &node) != S_OK)
        return L"<none>";
    BStr text;
    node->get_text(text.out());
    return text.str();
}

}  // namespace

TEST_F(DriverManagerTest, OneJobFromStartToClose) {
    ScopedSpoolerJob spoolerJob(testPrinterName(), L"Report: 1/2 & more");
    JobWatcher watcher;
    watcher.watch(driver().Get());

    long handle = startDoc(spoolerJob.id());
    ASSERT_NE(0, handle);
    ASSERT_TRUE(watcher.job);
    BStr name;
    ASSERT_HRESULT_SUCCEEDED(watcher.job->get_Name(name.out()));
    EXPECT_EQ(L"Report: 1/2 & more", name.str()) << "the document name comes from the spooler";
    long jobId = 0;
    watcher.job->get_jobId(&jobId);
    EXPECT_EQ(spoolerJob.id(), jobId);
    ComPtr<IPrintDriver> owner;
    ASSERT_HRESULT_SUCCEEDED(watcher.job->get_Driver(&owner));
    EXPECT_EQ(driver().Get(), owner.Get()) << "the job hands out its own driver";

    BSTR first = poisoned<BSTR>();
    ASSERT_HRESULT_SUCCEEDED(m_manager->splWritePrinter(handle, 4096, &first));
    ASSERT_NE(nullptr, first);
    std::wstring output = BStr::attach(first).str();
    std::wstring prefix = printerFolder() + L"Report_ 1_2 & more_";
    ASSERT_EQ(0u, output.find(prefix)) << output;
    std::wstring identity = output.substr(prefix.size(), output.size() - prefix.size() - wcslen(L"\\layout.ps"));
    EXPECT_EQ(L"\\layout.ps", output.substr(output.size() - 10));
    EXPECT_FALSE(identity.empty());
    EXPECT_EQ(std::wstring::npos, identity.find_first_not_of(L"0123456789abcdef")) << identity;
    EXPECT_FALSE(lab::fileExists(output)) << "the monitor creates the file";

    writeOutput(output,
                "%!PS-Adobe-3.0\r\n%%Orientation: Landscape\r\n<< /PageSize [595 842] >>\r\n"
                "%%Page: 1 1\r\n%%Page: 2 2\r\n%%EOF\r\n");
    for (long size : {4096L, 100L}) {
        BSTR later = poisoned<BSTR>();
        ASSERT_HRESULT_SUCCEEDED(m_manager->splWritePrinter(handle, size, &later));
        EXPECT_EQ(nullptr, later) << "only the first write names the file";
    }
    long result = 0;
    ASSERT_HRESULT_SUCCEEDED(m_manager->splStartPage(handle, &result));
    EXPECT_EQ(1, result);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splEndPage(handle, &result));
    EXPECT_EQ(1, result);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splEndDoc(handle));
    jobStates state = jobStartDoc;
    watcher.job->get_State(&state);
    EXPECT_EQ(jobEndDoc, state);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(handle));

    std::vector<DISPID> expected = {6, 6, 6, 1, 2, 3, 4};
    EXPECT_EQ(expected, watcher.events);
    std::wstring folder = output.substr(0, output.size() - 10);
    EXPECT_FALSE(watcher.aborted);
    EXPECT_EQ(folder, watcher.closedFolder);
    watcher.job->get_State(&state);
    EXPECT_EQ(jobCloseDoc, state);

    std::wstring xml = folder + L"\\job.xml";
    ASSERT_TRUE(lab::fileExists(xml));
    EXPECT_EQ(L"Report: 1/2 &amp; more", childText(xml, L"name"));
    EXPECT_EQ(L"1", childText(xml, L"copies"));
    EXPECT_EQ(L"8.26388888888889", childText(xml, L"paperHeight")) << "landscape swapped the sides";
    EXPECT_EQ(L"11.6944444444444", childText(xml, L"paperWidth"));
    EXPECT_EQ(L"9", childText(xml, L"paperName"));
    EXPECT_EQ(L"2", childText(xml, L"paperCount"));
    EXPECT_EQ(L"False", childText(xml, L"paramsOK")) << "Wine's job records carry no device mode";

    EXPECT_EQ(E_FAIL, m_manager->splClose(handle)) << "closed";
    EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
}

TEST_F(DriverManagerTest, AnAbortedJobLeavesNoFolderButReportsIt) {
    JobWatcher watcher;
    watcher.watch(driver().Get());
    long handle = startDoc(77);
    BStr output;
    ASSERT_HRESULT_SUCCEEDED(m_manager->splWritePrinter(handle, 10, output.out()));
    writeOutput(output.str(), "%!PS\r\n");
    ASSERT_HRESULT_SUCCEEDED(m_manager->splAbort(handle));
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(handle));

    std::wstring folder = output.str().substr(0, output.length() - 10);
    EXPECT_FALSE(lab::fileExists(folder));
    EXPECT_TRUE(watcher.aborted);
    EXPECT_EQ(folder, watcher.closedFolder);
    EXPECT_EQ((std::vector<DISPID>{6, 5, 4}), watcher.events);
}

TEST_F(DriverManagerTest, AJobClosedBeforeAnyWriteHasNoFolder) {
    JobWatcher watcher;
    watcher.watch(driver().Get());
    long handle = startDoc(78);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splEndDoc(handle));
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(handle));
    EXPECT_TRUE(watcher.closedFolderNull);
    EXPECT_FALSE(watcher.aborted);
}

TEST_F(DriverManagerTest, HandlesAreNonZeroAndUnknownAfterClose) {
    long first = startDoc(1), second = startDoc(2);
    EXPECT_NE(0, first);
    EXPECT_NE(0, second);
    EXPECT_NE(first, second);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(first));

    DebugLogCapture log;
    for (long handle : {0L, first, 0x7fffffffL, -1L}) {
        long result = 0xdeadbeef;
        BSTR path = poisoned<BSTR>();
        EXPECT_EQ(E_FAIL, m_manager->splEndDoc(handle));
        EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
        EXPECT_EQ(E_FAIL, m_manager->splClose(handle));
        EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
        EXPECT_EQ(E_FAIL, m_manager->splStartPage(handle, &result));
        EXPECT_EQ(0, result);
        EXPECT_EQ(E_FAIL, m_manager->splEndPage(handle, &result));
        EXPECT_EQ(E_FAIL, m_manager->splAbort(handle));
        EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
        EXPECT_EQ(E_FAIL, m_manager->splWritePrinter(handle, 10, &path));
        EXPECT_EQ(nullptr, path);
        EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
    }
    EXPECT_TRUE(log.contains("CDriverManager::splAbort - refused: Invalid handle -1"));
    long third = startDoc(3);
    EXPECT_NE(first, third) << "a counter, not a reused address";
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(second));
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(third));
}

TEST_F(DriverManagerTest, ADuplicateJobIdGetsAHandleWithoutAJob) {
    long first = startDoc(5);
    long duplicate = startDoc(5);
    ASSERT_NE(0, duplicate);
    EXPECT_NE(first, duplicate);

    long result = 0xdeadbeef;
    ASSERT_HRESULT_SUCCEEDED(m_manager->splStartPage(duplicate, &result));
    EXPECT_EQ(0, result);
    DebugLogCapture log;
    BSTR path = poisoned<BSTR>();
    EXPECT_EQ(DISP_E_EXCEPTION, m_manager->splWritePrinter(duplicate, 10, &path));
    EXPECT_EQ(nullptr, path);
    EXPECT_EQ(L"Invalid job handle", com::takeErrorDescription());
    EXPECT_TRUE(log.contains("CDriverManager::splWritePrinter CATCH [" + std::to_string(GetCurrentThreadId()) + "] "));

    ASSERT_HRESULT_SUCCEEDED(m_manager->splStartPage(first, &result));
    EXPECT_EQ(1, result) << "the first job is untouched";
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(duplicate));
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(first));
}

TEST_F(DriverManagerTest, AMissingPrinterIsLookedForAgainOnTheNextCall) {
    const wchar_t later[] = L"Kelo Engine Later";
    DebugLogCapture log;
    long handle = 0xdeadbeef;
    EXPECT_EQ(DISP_E_EXCEPTION, m_manager->splStartDoc(BStr(later).get(), 1, &handle));
    EXPECT_EQ(0, handle);
    EXPECT_EQ(L"Cannot find printer: Kelo Engine Later", com::takeErrorDescription());
    EXPECT_TRUE(log.contains("CDriverManager::splStartDoc - BV err Cannot find printer: Kelo Engine Later"));

    IPrintDriver* missing = poisoned<IPrintDriver*>();
    EXPECT_EQ(DISP_E_EXCEPTION, m_manager->getDriver(BStr(later).get(), &missing));
    EXPECT_EQ(nullptr, missing);

    lab::ScopedPrinter added(lab::keloPrinter(later, lab::kZoltPort, kServerIp));
    handle = startDoc(1, later);
    EXPECT_NE(0, handle);
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(handle));
}

TEST_F(DriverManagerTest, OneDriverPerPrinterWhateverTheLetterCase) {
    ComPtr<IPrintDriver> lower = driver(L"kelo engine test"), upper = driver(L"KELO ENGINE TEST");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower.Get(), upper.Get());
    long handle = startDoc(9, L"Kelo Engine Test");
    ComPtr<IReadOnlyCollection> jobs;
    ASSERT_HRESULT_SUCCEEDED(lower->get_printJobs(&jobs));
    long count = 0;
    jobs->get_Count(&count);
    EXPECT_EQ(1, count) << "spooler calls and the client meet in the same driver";
    m_manager->splClose(handle);
}

TEST_F(DriverManagerTest, AFailedCloseKeepsTheHandle) {
    long handle = startDoc(11);
    BStr output;
    ASSERT_HRESULT_SUCCEEDED(m_manager->splWritePrinter(handle, 10, output.out()));
    writeOutput(output.str(), "%!PS\r\n");
    {
        FileHandle held(CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        DebugLogCapture log;
        EXPECT_EQ(DISP_E_EXCEPTION, m_manager->splClose(handle));
        EXPECT_NE(std::wstring::npos, com::takeErrorDescription().find(L"C_bvFileU"));
        EXPECT_TRUE(log.contains("CDriverManager::splClose CATCH[" + std::to_string(GetCurrentThreadId()) + "] "));
    }
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(handle)) << "the handle stayed; the second close works";
    EXPECT_TRUE(lab::fileExists(output.str().substr(0, output.length() - 10) + L"\\job.xml"));
}

TEST_F(DriverManagerTest, EnumPrintersListsThisSystemsPrintersInReverseOrder) {
    lab::ScopedPrinter a(lab::keloPrinter(L"Kelo Enum A", lab::kZoltPort, kServerIp));
    lab::ScopedPrinter foreign(lab::foreignPrinter(L"Kelo Enum Foreign", lab::kZoltPort));
    lab::PrinterSpec upper = lab::keloPrinter(L"Kelo Enum Upper", lab::kZoltPort, kServerIp);
    upper.mfg = L"VORLANE";
    lab::ScopedPrinter upperCase(upper);
    lab::PrinterSpec other = lab::keloPrinter(L"Kelo Enum Other", lab::kZoltPort, kServerIp);
    other.mfg = L"Someone Else";
    lab::ScopedPrinter otherMaker(other);
    lab::ScopedPrinter binary(lab::keloPrinter(L"Kelo Enum Binary", lab::kZoltPort, kServerIp));
    {
        RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                               L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Kelo Enum "
                                               L"Binary\\PrinterDriverData",
                                               0, KEY_SET_VALUE, key.out()));
        const BYTE bytes[] = {'V', 0};
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), L"Mfg", 0, REG_BINARY, bytes, sizeof bytes));
    }

    // The spooler's own order, kept for this system's printers, reversed.
    std::vector<std::wstring> expected;
    for (const lab::PrinterEntry& entry : lab::listPrinters())
        if (entry.mfg && _wcsicmp(entry.mfg->c_str(), L"Vorlane") == 0 && entry.name != L"Kelo Enum Binary")
            expected.insert(expected.begin(), entry.name);
    for (const wchar_t* name : {L"Kelo Enum A", L"Kelo Enum Upper", testPrinterName()})
        EXPECT_NE(expected.end(), std::find(expected.begin(), expected.end(), name)) << name;

    Variant printers;
    ASSERT_HRESULT_SUCCEEDED(m_manager->enumPrinters(printers.out()));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, printers.vt);
    LONG lower = -1, upperBound = -1;
    SafeArrayGetLBound(printers.parray, 1, &lower);
    SafeArrayGetUBound(printers.parray, 1, &upperBound);
    EXPECT_EQ(0, lower);
    std::vector<std::wstring> names;
    for (LONG i = lower; i <= upperBound; ++i) {
        Variant name;
        ASSERT_HRESULT_SUCCEEDED(SafeArrayGetElement(printers.parray, &i, name.out()));
        EXPECT_EQ(VT_BSTR, name.vt);
        names.push_back(name.toString());
    }
    EXPECT_EQ(expected, names);
}

TEST_F(DriverManagerTest, EnumPrintersWithoutSystemPrintersIsAnEmptyArray) {
    m_printer.reset();
    for (const lab::PrinterEntry& entry : lab::listPrinters())
        if (entry.mfg && _wcsicmp(entry.mfg->c_str(), L"Vorlane") == 0)
            GTEST_SKIP() << "the spooler holds another printer of this system";
    Variant printers;
    ASSERT_HRESULT_SUCCEEDED(m_manager->enumPrinters(printers.out()));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, printers.vt);
    LONG upper = 0;
    SafeArrayGetUBound(printers.parray, 1, &upper);
    EXPECT_EQ(-1, upper);
}

TEST_F(DriverManagerTest, ErrorsReachDispatchCallersAsExceptionInformation) {
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(m_manager.As(&dispatch));
    VARIANTARG name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(L"No Such Kelo Printer");
    DISPPARAMS params = {&name, nullptr, 1, 0};
    Variant result;
    EXCEPINFO exception = {};
    EXPECT_EQ(DISP_E_EXCEPTION,
              dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, result.out(), &exception, nullptr));
    EXPECT_EQ(L"Cannot find printer: No Such Kelo Printer", BStr::attach(exception.bstrDescription).str());
    EXPECT_EQ(L"KeloEngine.DriverManager.1", BStr::attach(exception.bstrSource).str());
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&name);
}
