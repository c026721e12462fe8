// startFileUpload and resumeFileUpload against the provider stand-in: the form, the
// endpoint on the caller's port, zip packing (unpacked again by the stand-in with
// Python's zipfile), temporary files, progress events and the message pump.
#include "component_fixture.h"

#include <filesystem>
#include <set>

#include "bstr.h"

using namespace webtest;
using lab::JsonValue;

namespace {

std::wstring tempFolder() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

// The temporary copies and archives an upload could leave: tmp*.tmp and tmp*.zip.
std::set<std::wstring> temporaryUploadFiles() {
    std::set<std::wstring> names;
    for (const wchar_t* pattern : {L"tmp*.tmp", L"tmp*.zip"}) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((tempFolder() + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do names.insert(found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return names;
}

class Upload : public WebTest {
protected:
    void SetUp() override {
        WebTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(connect());
        m_provider->clearRecords();
        m_before = temporaryUploadFiles();
    }

    HRESULT upload(const std::wstring& path, long compress, long offset = -1, long port = 0) {
        LONG result = 0x7777;
        BStr local(path), server(L"/uploads/u1");
        long targetPort = port ? port : m_provider->port();
        HRESULT hr = offset < 0
                         ? m_web->startFileUpload(local.get(), server.get(), targetPort, compress, &result)
                         : m_web->resumeFileUpload(local.get(), server.get(), targetPort, offset, compress, &result);
        if (SUCCEEDED(hr)) EXPECT_EQ(0, result);
        return hr;
    }

    void expectRisingProgress() {
        ASSERT_GE(m_progress.size(), 2u);
        EXPECT_EQ(0, m_progress.front());
        EXPECT_EQ(100, m_progress.back());
        for (size_t i = 1; i < m_progress.size(); i++) EXPECT_LT(m_progress[i - 1], m_progress[i]) << i;
        m_progress.clear();
    }

    std::set<std::wstring> m_before;
};

}  // namespace

TEST_F(Upload, WithoutPackingTheFileItselfGoesWithThreeFieldsWhateverTheOffset) {
    const std::string bytes = documentBytes(45000, 1);
    writeFile(L"mixed\\sub\\job 1.ps", bytes);
    const std::wstring path = m_folder->file(L"mixed/sub\\job 1.ps");  // the name follows either slash
    ASSERT_HRESULT_SUCCEEDED(upload(path, 0));
    expectRisingProgress();
    ASSERT_HRESULT_SUCCEEDED(upload(path, 0, 1234));
    expectRisingProgress();

    for (size_t i = 0; i < 2; i++) {
        JsonValue record = m_provider->requests().at(i);
        EXPECT_EQ(lab::toUtf8(lab::ProviderStandIn::kUploadPath), record["path"].text());
        EXPECT_EQ(m_provider->port(), record["listener_port"].integer());
        JsonValue upload = m_provider->uploads().at(i);
        EXPECT_EQ(0u, upload["errors"].size()) << upload["errors"].at(0).text();
        EXPECT_EQ("[[filename,job 1.ps],[outPath,/uploads/u1],[overwrite,1]]", flat(upload["fields"]));
        const JsonValue& file = upload["files"].at(0);
        EXPECT_EQ("Filedata " + lab::toUtf8(path) + " application/ps /uploads/u1/job 1.ps",
                  file["form_name"].text() + " " + file["filename"].text() + " " + file["content_type"].text() + " " +
                      file["server_path"].text());
        EXPECT_TRUE(m_provider->uploadedFile(i, false) == bytes) << "the whole file, from offset 0 too";
    }
}

TEST_F(Upload, PackingSendsOneDeflatedEntryNamedAfterTheTemporaryCopyOverTheSecureConnection) {
    m_web->disconnect();
    m_provider->settings(R"({"protocol": "https://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->clearRecords();
    const std::string bytes = documentBytes(30000, 2) + std::string(60000, 'P');
    const std::wstring path = writeFile(L"layout.ps", bytes);
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1));
    expectRisingProgress();

    JsonValue record = m_provider->requests().at(0);
    EXPECT_TRUE(record["tls"].boolean());
    EXPECT_EQ(m_provider->port(), record["listener_port"].integer());
    JsonValue sent = m_provider->uploads().at(0);
    EXPECT_EQ(0u, sent["errors"].size()) << sent["errors"].at(0).text();
    EXPECT_EQ("[[filename,layout.ps],[outPath,/uploads/u1],[overwrite,1],[zip,1]]", flat(sent["fields"]));
    const std::wstring archive = sent["files"].at(0)["filename"].wide();
    const std::wstring archiveName = archive.substr(archive.find_last_of(L"/\\") + 1);
    EXPECT_TRUE(lab::equalsNoCase(tempFolder(), archive.substr(0, archive.size() - archiveName.size() - 1) + L"\\"));
    ASSERT_TRUE(archiveName.size() > 7 && archiveName.substr(0, 3) == L"tmp" &&
                archiveName.substr(archiveName.size() - 4) == L".zip")
        << lab::toUtf8(archive);

    const JsonValue& entries = sent["files"].at(0)["zip_entries"];
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(archiveName.substr(0, archiveName.size() - 4) + L".tmp", entries.at(0)["name"].wide());
    EXPECT_EQ(8, entries.at(0)["method"].integer());
    EXPECT_EQ((long)bytes.size(), entries.at(0)["size"].integer());
    EXPECT_TRUE(m_provider->uploadedFile(0, true) == bytes);
    EXPECT_LT(m_provider->uploadedFile(0, false).size(), bytes.size());

    // Neither the copy nor the archive stays behind; the job file does. Any offset gives the whole file.
    EXPECT_EQ(m_before, temporaryUploadFiles());
    EXPECT_TRUE(lab::fileExists(path));
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1, 99999));
    EXPECT_TRUE(m_provider->uploadedFile(1, true) == bytes);
}

TEST_F(Upload, FailuresAreUnknownErrorsAndLeaveNoTemporaryFiles) {
    const std::wstring path = writeFile(L"fails.ps", documentBytes(20000, 3));
    for (long compress : {0L, 1L}) {
        for (const auto& [file, port] :
             {std::make_pair(path, closedPort()), std::make_pair(m_folder->file(L"missing.ps"), m_provider->port())}) {
            EXPECT_EQ(L"8000FFFF KeloWeb.iWeb.1: Unknown error", failure(upload(file, compress, -1, port)));
        }
    }
    // An endpoint that answers with an error status has not taken the file.
    m_provider->script(R"({"method": "upload", "status": 500, "body": "Disk full", "times": 1})");
    EXPECT_EQ(E_UNEXPECTED, upload(path, 1));
    EXPECT_EQ(m_before, temporaryUploadFiles());
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1)) << "the next upload goes through";

    // The stand-in breaks the connection in the middle of the body.
    m_provider->script(R"({"method": "upload", "close_after": 2000, "close": "reset"})");
    EXPECT_EQ(E_UNEXPECTED, upload(writeFile(L"big.ps", documentBytes(3 * 1024 * 1024, 4)), 1));
    EXPECT_EQ(m_before, temporaryUploadFiles());

    m_web->disconnect();
    EXPECT_EQ(E_UNEXPECTED, upload(path, 0)) << "not connected";
}

TEST_F(Upload, WindowMessagesAreDispatchedDuringTheUploadAndQuitIsKept) {
    static size_t eventsWhenHandled = 0;
    static std::vector<long>* progress = nullptr;
    progress = &m_progress;
    eventsWhenHandled = 0;
    WNDCLASSW windowClass = {};
    windowClass.lpszClassName = L"KeloWebUploadTest";
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        if (message != WM_APP + 7) return DefWindowProcW(window, message, w, l);
        eventsWhenHandled = progress->size();
        return 0;
    };
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowW(L"KeloWebUploadTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_TRUE(window);

    PostMessageW(window, WM_APP + 7, 0, 0);
    PostQuitMessage(42);
    ASSERT_HRESULT_SUCCEEDED(upload(writeFile(L"pump.ps", documentBytes(50000, 5)), 0));
    EXPECT_GE(eventsWhenHandled, 1u) << "handled inside the upload, after an event";
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(42u, message.wParam);
    DestroyWindow(window);
    UnregisterClassW(L"KeloWebUploadTest", windowClass.hInstance);
    expectRisingProgress();
}
