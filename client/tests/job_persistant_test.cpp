// The job state file "offline.xml": an empty state for a new file, the file written on
// Flush, the job file's name replaced, other objects seeing what was flushed.
#include <gtest/gtest.h>
#include <comdef.h>

#include "bstr.h"
#include "job_persistant.h"
#include "lab_paths.h"
#include "variant.h"
#include "xml_file.h"

namespace {

class JobStateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }

    // The parameters of the saved file, as name=value in file order.
    std::vector<std::wstring> savedParameters() {
        ComPtr<IXMLDOMDocument> saved = xml::newDocument();
        EXPECT_TRUE(xml::loadFile(saved.Get(), path));
        std::vector<std::wstring> parameters;
        ComPtr<IXMLDOMElement> root = xml::documentElement(saved.Get());
        EXPECT_TRUE(root);
        if (!root) return parameters;
        BStr name;
        root->get_tagName(name.out());
        EXPECT_EQ(L"printerClient", name.str());
        ComPtr<IXMLDOMNode> child;
        root->get_firstChild(child.GetAddressOf());
        while (child) {
            ComPtr<IXMLDOMElement> element;
            child->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.GetAddressOf()));
            Variant key;
            element->getAttribute(BStr(L"name").get(), key.out());
            parameters.push_back(key.toString() + L"=" +
                                 xml::text(xml::selectSingleNode(child.Get(), L"./value").Get()));
            ComPtr<IXMLDOMNode> next;
            child->get_nextSibling(next.GetAddressOf());
            child = next;
        }
        return parameters;
    }

    lab::TempFolder folder{L"kelo-state"};
    std::wstring path = folder.file(L"offline.xml");
};

}  // namespace

TEST_F(JobStateTest, ANewFileStartsEmptyAndFlushWritesTheRoot) {
    C_jobPersistant state;
    state.setPersistantFile(path);
    EXPECT_EQ(path, state.getPersistantFile());
    EXPECT_FALSE(lab::fileExists(path)) << "nothing is written before Flush";
    EXPECT_EQ(L"", state.filename());
    EXPECT_EQ(0, state.compress());
    state.Flush();
    ASSERT_TRUE(lab::fileExists(path));
    EXPECT_TRUE(savedParameters().empty());
}

TEST_F(JobStateTest, TheJobFileNameIsReplacedAndTheOtherFieldsAreAdded) {
    C_jobPersistant state;
    state.setPersistantFile(path);
    state.setJobId(L"0");
    state.setFilename(L"C:\\jobs\\Report_1\\layout.ps");
    state.setFilename(L"C:\\jobs\\Report_1/Report.ps");
    state.setUploadPath(L"/uploads/u1");
    state.setCompress(-1);
    state.setName(L"Report");
    state.setDocName(L"Report.doc");
    EXPECT_EQ(L"C:\\jobs\\Report_1/Report.ps", state.filename());
    EXPECT_EQ(-1, state.compress()) << "True is -1";
    state.Flush();
    EXPECT_EQ(
        (std::vector<std::wstring>{L"jobId=0", L"fileName=C:\\jobs\\Report_1/Report.ps", L"uploadPath=/uploads/u1",
                                   L"compress=-1", L"jobName=Report", L"originalDocName=Report.doc"}),
        savedParameters());
}

TEST_F(JobStateTest, AnotherObjectSeesWhatWasFlushedAndNothingElse) {
    C_jobPersistant first;
    first.setPersistantFile(path);
    first.setJobId(L"0");
    first.setFilename(L"C:\\jobs\\a\\layout.ps");
    first.Flush();
    first.setUploadPath(L"/not/flushed");

    C_jobPersistant second;
    second.setPersistantFile(path);
    EXPECT_EQ(L"0", second.jobId());
    EXPECT_EQ(L"C:\\jobs\\a\\layout.ps", second.filename());
    EXPECT_EQ(L"", second.uploadPath());
    second.setFilename(L"C:\\jobs\\a/New Job.ps");
    second.setUploadPath(L"/uploads/u7");
    second.Flush();

    C_jobPersistant third;
    third.setPersistantFile(path);
    EXPECT_EQ(L"C:\\jobs\\a/New Job.ps", third.filename());
    EXPECT_EQ(L"/uploads/u7", third.uploadPath());
    EXPECT_EQ(L"0", third.jobId());
}

TEST_F(JobStateTest, FieldsAreReadFromAFileWrittenByHand) {
    lab::writeFileBytes(path,
                        "<?xml version=\"1.0\"?>\r\n<printerClient>\r\n"
                        "  <parameter name=\"uploadPath\"><value>/uploads/u2</value></parameter>\r\n"
                        "  <parameter name=\"jobId\"><value>4711</value></parameter>\r\n"
                        "  <parameter name=\"jobId\"><value>second</value></parameter>\r\n"
                        "</printerClient>\r\n");
    C_jobPersistant state;
    state.setPersistantFile(path);
    EXPECT_EQ(L"/uploads/u2", state.uploadPath());
    EXPECT_EQ(L"4711", state.jobId()) << "the first match counts";
    EXPECT_EQ(L"", state.name());
}

TEST_F(JobStateTest, WithoutAPathNothingIsWrittenAndABrokenFileRaises) {
    C_jobPersistant state;
    state.setPersistantFile(L"");
    state.setJobId(L"1");
    EXPECT_NO_THROW(state.Flush());
    EXPECT_EQ(L"1", state.jobId());

    lab::writeFileBytes(path, "<printerClient><parameter name=\"jobId\">");
    C_jobPersistant broken;
    EXPECT_THROW(broken.setPersistantFile(path), _com_error);
}
