// The driver manager as the port monitor and the client use it, in this process, with
// the lab's spooler and registry.
#include "bstr.h"
#include "com/error_info.h"
#include "driver_manager.h"
#include "engine_test_support.h"
#include "lab_registry.h"
#include "variant.h"
#include "variant_list.h"

using namespace enginetest;

namespace {

const wchar_t kServerIp[] = L"127.0.0.1";

class DriverManagerTest : public ComTest {
protected:
    ScopedTempFolder m_temp;
    lab::ScopedPrinter m_printer{lab::keloPrinter(testPrinterName(), lab::kZoltPort, kServerIp)};
    ComPtr<CDriverManager> m_manager = com::make<CDriverManager>();

    long startDoc(long jobId, const wchar_t* printer = testPrinterName()) {
        long handle = 0xdeadbeef;
        EXPECT_HRESULT_SUCCEEDED(m_manager->splStartDoc(BStr(printer).get(), jobId, &handle));
        return handle;
    }

    // The first write names the output file; the port monitor then creates its folder
    // and the file.
    std::wstring firstWrite(long handle, const std::string& bytes) {
        BSTR path = poisoned<BSTR>();
        EXPECT_HRESULT_SUCCEEDED(m_manager->splWritePrinter(handle, (long)bytes.size(), &path));
        if (!path || path == poisoned<BSTR>()) return L"";
        std::wstring output = BStr::attach(path).str();
        EXPECT_TRUE(CreateDirectoryW(folderOf(output).c_str(), nullptr));
        lab::writeFileBytes(output, bytes);
        return output;
    }
    static std::wstring folderOf(const std::wstring& output) { return output.substr(0, output.find_last_of(L'\\')); }

    // The job of the id, with the events it raises from now on written to events.
    ComPtr<IPrintJob> watch(long jobId, std::vector<std::wstring>& events) {
        ComPtr<IReadOnlyCollection> jobs;
        ComPtr<IDispatch> item;
        ComPtr<IPrintJob> job;
        long id = -1;
        EXPECT_HRESULT_SUCCEEDED(driver()->get_printJobs(&jobs));
        for (long i = 0; jobs && SUCCEEDED(jobs->Item(Variant(i), &item)) && SUCCEEDED(item.As(&job)); ++i)
            if (SUCCEEDED(job->get_jobId(&id)) && id == jobId) break;
        EXPECT_EQ(jobId, id);
        m_jobSink = recordingSink(DIID__IPrintJobEvents, events);
        EXPECT_HRESULT_SUCCEEDED(m_jobSubscription.begin(job.Get(), DIID__IPrintJobEvents, m_jobSink.Get()));
        return job;
    }
    ComPtr<com::EventSink> m_jobSink;
    com::Subscription m_jobSubscription;

    ComPtr<IPrintDriver> driver(const wchar_t* printer = testPrinterName()) {
        ComPtr<IPrintDriver> result;
        EXPECT_HRESULT_SUCCEEDED(m_manager->getDriver(BStr(printer).get(), &result));
        return result;
    }
};

}  // namespace

TEST_F(DriverManagerTest, OneJobFromStartToClose) {
    ScopedSpoolerJob spoolerJob(testPrinterName(), L"Report: 1/2 & <more> 'x'");
    ASSERT_NE(0, spoolerJob.id) << GetLastError();
    long handle = startDoc(spoolerJob.id);
    ASSERT_NE(0, handle);
    std::vector<std::wstring> events;
    ComPtr<IPrintJob> job = watch(spoolerJob.id, events);
    ASSERT_TRUE(job);
    BStr name;
    ASSERT_HRESULT_SUCCEEDED(job->get_Name(name.out()));
    EXPECT_EQ(L"Report: 1/2 & <more> 'x'", name.str()) << "the document name comes from the spooler";
    ComPtr<IPrintDriver> owner;
    ASSERT_HRESULT_SUCCEEDED(job->get_Driver(&owner));
    EXPECT_EQ(driver().Get(), owner.Get()) << "the job hands out its own driver";

    const std::string ps =
        "%!PS-Adobe-3.0\r\n%%Orientation: Landscape\r\n<< /PageSize [595 842] >>\r\n"
        "%%Page: 1 1\r\n%%Page: 2 2\r\n%%EOF\r\n";
    std::wstring output = firstWrite(handle, ps);
    // <printer folder>\<sanitised name>_<hexadecimal identity>\layout.ps
    std::wstring prefix = m_temp.jobsPath() + testPrinterName() + L"\\Report_ 1_2 & _more_ 'x'_";
    ASSERT_EQ(0u, output.find(prefix)) << output;
    for (long size : {4096L, 100L}) {
        BSTR later = poisoned<BSTR>();
        ASSERT_HRESULT_SUCCEEDED(m_manager->splWritePrinter(handle, size, &later));
        EXPECT_EQ(nullptr, later) << "only the first write names the file";
    }
    long result = 0;
    ASSERT_HRESULT_SUCCEEDED(m_manager->splStartPage(handle, &result));
    ASSERT_HRESULT_SUCCEEDED(m_manager->splEndPage(handle, &result));
    ASSERT_HRESULT_SUCCEEDED(m_manager->splEndDoc(handle));
    jobStates state = jobStartDoc;
    job->get_State(&state);
    EXPECT_EQ(jobEndDoc, state);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(handle));
    job->get_State(&state);
    EXPECT_EQ(jobCloseDoc, state);
    std::vector<std::wstring> expected = {
        L"6 3:" + std::to_wstring(ps.size()), L"6 3:4096", L"6 3:100", L"1 3:1", L"2", L"3",
        L"4 2:0 8:" + folderOf(output)};
    EXPECT_EQ(expected, events);

    // The description: the name escaped as markup and then by the DOM, the page count,
    // and the landscape A4 page in inches (15 significant digits). Wine's job records
    // carry no device mode.
    std::string xml = lab::readFileBytes(folderOf(output) + L"\\job.xml");
    EXPECT_EQ(0u, xml.find("<job><name>Report: 1/2 &amp;amp; &amp;lt;more&amp;gt; &amp;apos;x&amp;apos;</name>"
                           "<copies>1</copies><paperHeight>8.26388888888889</paperHeight><paperWidth>11.6944444444444"
                           "</paperWidth><paperName>9</paperName><paperCount>2</paperCount>"
                           "<paramsOK>False</paramsOK></job>"))
        << xml;
    EXPECT_EQ(E_FAIL, m_manager->splClose(handle)) << "closed";
    EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
}

TEST_F(DriverManagerTest, AnAbortedJobLeavesNoFolderButReportsIt) {
    long handle = startDoc(77);
    std::vector<std::wstring> events;
    ComPtr<IPrintJob> job = watch(77, events);
    std::wstring output = firstWrite(handle, "%!PS\r\n");
    ASSERT_HRESULT_SUCCEEDED(m_manager->splAbort(handle));
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(handle));
    EXPECT_FALSE(lab::fileExists(folderOf(output)));
    EXPECT_EQ((std::vector<std::wstring>{L"6 3:6", L"5", L"4 2:1 8:" + folderOf(output)}), events);
}

TEST_F(DriverManagerTest, HandlesAreCountersAndAnUnknownOrClosedHandleIsRefused) {
    long first = startDoc(1);
    ASSERT_HRESULT_SUCCEEDED(m_manager->splClose(first));
    for (long handle : {0L, first, 0x7fffffffL, -1L}) {
        long result = 0xdeadbeef;
        BSTR path = poisoned<BSTR>();
        const HRESULT answers[] = {m_manager->splEndDoc(handle),
                                   m_manager->splClose(handle),
                                   m_manager->splAbort(handle),
                                   m_manager->splEndPage(handle, &result),
                                   m_manager->splStartPage(handle, &result),
                                   m_manager->splWritePrinter(handle, 10, &path)};
        for (HRESULT answer : answers) EXPECT_EQ(E_FAIL, answer) << handle;
        EXPECT_EQ(0, result);
        EXPECT_EQ(nullptr, path);
        EXPECT_EQ(L"Invalid handle", com::takeErrorDescription());
    }
    EXPECT_NE(first, startDoc(3)) << "a counter, not a reused address";
}

TEST_F(DriverManagerTest, PrintersAreFoundWhateverTheLetterCaseAndAMissingOneIsLookedForAgain) {
    ComPtr<IPrintDriver> lower = driver(L"kelo engine test"), upper = driver(L"KELO ENGINE TEST");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower.Get(), upper.Get());
    startDoc(9, L"Kelo Engine Test");
    ComPtr<IReadOnlyCollection> jobs;
    ASSERT_HRESULT_SUCCEEDED(lower->get_printJobs(&jobs));
    long count = 0;
    jobs->get_Count(&count);
    EXPECT_EQ(1, count) << "spooler calls and the client meet in the same driver";

    const wchar_t later[] = L"Kelo Engine Later";
    long handle = 0xdeadbeef;
    EXPECT_EQ(DISP_E_EXCEPTION, m_manager->splStartDoc(BStr(later).get(), 1, &handle));
    EXPECT_EQ(0, handle);
    EXPECT_EQ(L"Cannot find printer: Kelo Engine Later", com::takeErrorDescription());
    IPrintDriver* missing = poisoned<IPrintDriver*>();
    EXPECT_EQ(DISP_E_EXCEPTION, m_manager->getDriver(BStr(later).get(), &missing));
    EXPECT_EQ(nullptr, missing);
    lab::ScopedPrinter added(lab::keloPrinter(later, lab::kZoltPort, kServerIp));
    EXPECT_NE(0, startDoc(1, later));
}

TEST_F(DriverManagerTest, AFailedCloseKeepsTheHandle) {
    long handle = startDoc(11);
    std::wstring output = firstWrite(handle, "%!PS\r\n");
    {
        FileHandle held(CreateFileW(output.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_EQ(DISP_E_EXCEPTION, m_manager->splClose(handle));
        EXPECT_NE(std::wstring::npos, com::takeErrorDescription().find(L"C_bvFileU"));
    }
    EXPECT_HRESULT_SUCCEEDED(m_manager->splClose(handle)) << "the handle stayed; the second close works";
    EXPECT_TRUE(lab::fileExists(folderOf(output) + L"\\job.xml"));
}

TEST_F(DriverManagerTest, EnumPrintersListsThisSystemsPrintersInReverseOrder) {
    lab::ScopedPrinter foreign(lab::foreignPrinter(L"Kelo Enum Foreign", lab::kZoltPort));
    lab::PrinterSpec upper = lab::keloPrinter(L"Kelo Enum Upper", lab::kZoltPort, kServerIp);
    upper.mfg = L"VORLANE";
    lab::ScopedPrinter upperCase(upper);
    // The spooler's own order, kept for this system's printers, reversed.
    std::vector<std::wstring> expected;
    for (const lab::PrinterEntry& entry : lab::listPrinters())
        if (entry.mfg && _wcsicmp(entry.mfg->c_str(), L"Vorlane") == 0) expected.insert(expected.begin(), entry.name);

    Variant printers;
    ASSERT_HRESULT_SUCCEEDED(m_manager->enumPrinters(printers.out()));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, printers.vt);
    LONG lower = -1;
    SafeArrayGetLBound(printers.parray, 1, &lower);
    EXPECT_EQ(0, lower);
    tVARIANTLIST list(printers);
    std::vector<std::wstring> names;
    for (int i = 0; i < list.count(); ++i) names.push_back(list[i].toString());
    EXPECT_EQ(expected, names);
}
