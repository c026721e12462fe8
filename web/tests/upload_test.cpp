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

// The temporary copies and archives an upload could leave: tmp*.tmp and tmp*.zip.
std::set<std::wstring> temporaryUploadFiles() {
    std::set<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
        const std::wstring name = entry.path().filename().wstring(), type = entry.path().extension().wstring();
        if (lab::equalsNoCase(name.substr(0, 3), L"tmp") &&
            (lab::equalsNoCase(type, L".tmp") || lab::equalsNoCase(type, L".zip")))
            names.insert(name);
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

// Over the secure connection: the file itself with three fields whatever the offset, or
// packed as one deflated entry named after the temporary copy.
TEST_F(Upload, TheWholeFileGoesWithItsFieldsPlainOrPackedOverTheSecureConnection) {
    m_web->disconnect();
    m_provider->settings(R"({"protocol": "https://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->clearRecords();
    const std::string bytes = documentBytes(30000, 2) + std::string(60000, 'P');
    writeFile(L"mixed\\sub\\job 1.ps", bytes);
    const std::wstring path = m_folder->file(L"mixed/sub\\job 1.ps");          // the name follows either slash
    const std::pair<long, long> uploads[] = {{0, -1}, {0, 1234}, {1, 99999}};  // compress, resume offset
    for (size_t i = 0; i < std::size(uploads); i++) {
        const auto [compress, offset] = uploads[i];
        ASSERT_HRESULT_SUCCEEDED(upload(path, compress, offset));
        expectRisingProgress();
        JsonValue record = m_provider->requests().at(i);
        EXPECT_TRUE(record["tls"].boolean());
        EXPECT_EQ(lab::toUtf8(lab::ProviderStandIn::kUploadPath), record["path"].text());
        EXPECT_EQ(m_provider->port(), record["listener_port"].integer());
        JsonValue sent = m_provider->uploads().at(i);
        EXPECT_EQ(0u, sent["errors"].size()) << sent["errors"].at(0).text();
        EXPECT_EQ(
            std::string("[[filename,job 1.ps],[outPath,/uploads/u1],[overwrite,1]") + (compress ? ",[zip,1]]" : "]"),
            flat(sent["fields"]));
        EXPECT_TRUE(m_provider->uploadedFile(i, compress != 0) == bytes) << i;
    }
    const JsonValue sent = m_provider->uploads(), &file = sent.at(1)["files"].at(0);
    EXPECT_EQ("Filedata " + lab::toUtf8(path) + " application/ps /uploads/u1/job 1.ps",
              file["form_name"].text() + " " + file["filename"].text() + " " + file["content_type"].text() + " " +
                  file["server_path"].text());

    const JsonValue& packed = sent.at(2)["files"].at(0);
    const std::wstring archive = packed["filename"].wide();
    const std::wstring archiveName = archive.substr(archive.find_last_of(L"/\\") + 1);
    ASSERT_EQ(1u, packed["zip_entries"].size());
    const JsonValue& entry = packed["zip_entries"].at(0);
    EXPECT_EQ(archiveName.substr(0, archiveName.size() - 4) + L".tmp", entry["name"].wide()) << lab::toUtf8(archive);
    EXPECT_EQ(8, entry["method"].integer());
    EXPECT_EQ((long)bytes.size(), entry["size"].integer());
    EXPECT_LT(m_provider->uploadedFile(2, false).size(), bytes.size());
    // Neither the copy nor the archive stays behind; the job file does.
    EXPECT_EQ(m_before, temporaryUploadFiles());
    EXPECT_TRUE(lab::fileExists(path));
}

TEST_F(Upload, FailuresAreUnknownErrorsAndLeaveNoTemporaryFiles) {
    const std::wstring path = writeFile(L"fails.ps", documentBytes(20000, 3));
    for (long compress : {0L, 1L}) {
        for (const auto& [file, port] :
             {std::make_pair(path, closedPort()), std::make_pair(m_folder->file(L"missing.ps"), m_provider->port())})
            EXPECT_EQ(L"8000FFFF KeloWeb.iWeb.1: Unknown error", failure(upload(file, compress, -1, port)));
    }
    // An endpoint that answers with an error status has not taken the file.
    m_provider->script(R"({"method": "upload", "status": 500, "body": "Disk full", "times": 1})");
    EXPECT_EQ(E_UNEXPECTED, upload(path, 1));

    // The stand-in breaks the connection in the middle of the body. Neither leaves temporary files.
    m_provider->script(R"({"method": "upload", "close_after": 2000, "close": "reset"})");
    EXPECT_EQ(E_UNEXPECTED, upload(writeFile(L"big.ps", documentBytes(3 * 1024 * 1024, 4)), 1));
    EXPECT_EQ(m_before, temporaryUploadFiles());

    m_web->disconnect();
    EXPECT_EQ(E_UNEXPECTED, upload(path, 0)) << "not connected";
}

TEST_F(Upload, WindowMessagesAreDispatchedDuringTheUploadAndQuitIsKept) {
    static bool handled;
    handled = false;
    WNDCLASSW windowClass = {};
    windowClass.lpszClassName = L"KeloWebUploadTest";
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        handled = handled || message == WM_APP + 7;
        return DefWindowProcW(window, message, w, l);
    };
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowW(L"KeloWebUploadTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    PostMessageW(window, WM_APP + 7, 0, 0);
    PostQuitMessage(42);
    ASSERT_HRESULT_SUCCEEDED(upload(writeFile(L"pump.ps", documentBytes(50000, 5)), 0));
    EXPECT_TRUE(handled);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(42u, message.wParam);
    DestroyWindow(window);
    UnregisterClassW(L"KeloWebUploadTest", windowClass.hInstance);
}
