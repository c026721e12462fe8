// The upload of one job folder with a web component inside the test: the readable file
// name, the server's answers kept in the job state, the zipped upload, the error
// question for a missing file, the error box of a failed upload; and the rules of the
// upload window's texts. (Retry, Ignore and Cancel after a failed upload are seen end to end,
// in road_end_to_end_test.cpp.)
#include <gtest/gtest.h>

#include <thread>

#include "fake_web.h"
#include "job_persistant.h"
#include "lab_gui.h"
#include "lab_paths.h"
#include "localization.h"
#include "upload_handler.h"
#include "upload_window.h"

namespace gui = lab::gui;

namespace {

class UploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        fake = com::make<FakeWeb>();
        fake->answer = [](const std::wstring& method, ScriptDictionary& reply) {
            if (method != L"uploadJob_nogui") return;
            reply.add(L"uploadPath", Variant(L"/uploads/u9"));
            reply.add(L"uploadPort", Variant(L"41500"));
        };
        CreateDirectoryW(jobFolder.c_str(), nullptr);
        lab::writeFileBytes(jobFolder + L"\\layout.ps", "%!PS-Adobe-3.0\r\n%%EOF\r\n");
        describeJob("Q3: a/b*c?");
        C_jobPersistant state;  // as the job handler starts it
        state.setPersistantFile(statePath);
        state.setJobId(L"0");
        state.setFilename(jobFolder + L"\\layout.ps");
        state.Flush();
    }
    void TearDown() override {
        fake.Reset();
        CoUninitialize();
    }

    // job.xml as the engine writes it (the names here need no escaping).
    void describeJob(const std::string& name) {
        lab::writeFileBytes(jobFolder + L"\\job.xml",
                            "<?xml version=\"1.0\"?>\r\n<job><name>" + name + "</name><copies>1</copies></job>\r\n");
    }

    // A handler for the folder whose error question gives these answers in turn.
    std::unique_ptr<C_uploadHandler> handler(std::vector<short> answers = {}) {
        auto upload = std::make_unique<C_uploadHandler>(localization);
        upload->setBasePath(jobFolder);
        upload->setPersistFile(statePath);
        upload->setServer(asWeb(fake));
        upload->askUploadError = [this, answers](const std::wstring& description) mutable {
            questions.push_back(description);
            if (answers.empty()) return (short)kUploadErrorCancel;
            short answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
        return upload;
    }

    lab::TempFolder temp{L"kelo-upload"};
    std::wstring jobFolder = temp.path() + L"Report_1a2b";
    std::wstring statePath = jobFolder + L"\\offline.xml";
    C_localization localization{temp.path(), [] { return 1L; }};
    ComPtr<FakeWeb> fake;
    std::vector<std::wstring> questions;
};

}  // namespace

TEST(UploadRules, FileNamesSizesShortenedNamesAndProgress) {
    EXPECT_EQ(L"Q3_ a_b_c_", makeFileName(L"Q3: a/b*c?"));
    EXPECT_EQ(L"a_b_c", makeFileName(L"a\tb\u001fc")) << "control characters too";
    EXPECT_EQ(L"f\u00fcr M\u00e4rz (v2.1) & more", makeFileName(L"f\u00fcr M\u00e4rz (v2.1) & more"));

    C_localization english(L"C:\\", [] { return 1L; });
    const LCID us = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
    EXPECT_EQ(L"1.46 Mb", fileSizeText(1536000, english, us));
    EXPECT_EQ(L"1,000.00 Kb", fileSizeText(1024000, english, us)) << "1000 Kb is not more than 1000";

    EXPECT_EQ(L"Quarter...",
              shortenedToFit(L"Quarterly figures", [](const std::wstring& t) { return t.size() <= 10; }));

    EXPECT_EQ(std::optional<int>(100), progressPosition(150, 0, 100));
    EXPECT_EQ(std::optional<int>(50), progressPosition(25, 10, 60)) << "the minimum is not subtracted";
    EXPECT_EQ(std::nullopt, progressPosition(5, 7, 7));
}

TEST_F(UploadTest, TheFileGetsTheJobsReadableNameAndIsUploadedZipped) {
    auto upload = handler();
    EXPECT_EQ(L"/uploads/u9/Q3_ a_b_c_.ps", upload->doUpload());
    const std::wstring target = jobFolder + L"/Q3_ a_b_c_.ps";
    EXPECT_TRUE(lab::fileExists(target));
    EXPECT_FALSE(lab::fileExists(jobFolder + L"\\layout.ps"));

    ASSERT_EQ(1u, fake->callsOf(L"uploadJob_nogui").size());
    EXPECT_EQ(L"Report_1a2b", fake->callsOf(L"uploadJob_nogui")[0].params.item(L"fileName").toString());
    ASSERT_EQ(1u, fake->uploads.size());
    EXPECT_EQ(target, fake->uploads[0].file);
    EXPECT_EQ(L"/uploads/u9", fake->uploads[0].serverPath);
    EXPECT_EQ(41500, fake->uploads[0].port);
    EXPECT_EQ(-1, fake->uploads[0].compress);
    // The state file tells a later run where the file is and where it went.
    C_jobPersistant state;
    state.setPersistantFile(statePath);
    EXPECT_EQ(target, state.filename());
    EXPECT_EQ(L"/uploads/u9", state.uploadPath());
}

TEST_F(UploadTest, AMissingJobFileKeepsTheFolderNameAndRetryRepeatsTheMoveUntilCancel) {
    DeleteFileW((jobFolder + L"\\layout.ps").c_str());
    auto upload = handler({kUploadErrorRetry, kUploadErrorRetry, kUploadErrorCancel});
    EXPECT_EQ(L"", upload->doUpload());
    ASSERT_EQ(3u, questions.size());
    for (const std::wstring& question : questions)
        EXPECT_NE(std::wstring::npos, question.find(L"Report_1a2b/Report_1a2b.ps")) << "the default name";
    ASSERT_EQ(1u, fake->callsOf(L"deleteJob").size());
    EXPECT_EQ(L"0", fake->callsOf(L"deleteJob")[0].params.item(L"jobId").toString());
    EXPECT_TRUE(fake->callsOf(L"uploadJob_nogui").empty());
    EXPECT_TRUE(fake->uploads.empty());
}

TEST_F(UploadTest, AFailedUploadResultIsShownOnceWithTheComponentsMessage) {
    fake->uploadResult = 5;
    fake->uploadMessage = L"disk full";
    std::wstring shown;
    std::thread user([&] {
        HWND box = gui::waitForWindow(L"Print Driver", 20000, GetCurrentProcessId());
        if (!box) return;
        shown = gui::messageBoxText(box);
        gui::click(gui::childWithText(box, L"OK"));
    });
    auto upload = handler();
    EXPECT_EQ(L"/uploads/u9/Q3_ a_b_c_.ps", upload->doUpload()) << "the path is returned all the same";
    user.join();
    EXPECT_EQ(L"Error while uploading job [5] - disk full", shown);
    EXPECT_TRUE(questions.empty());
}
