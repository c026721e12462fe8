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

const std::string kUploadPath = "/brisvel/versions/250/Comp/ISAPI/bvupload.dll";

std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    unsigned value = 987654321;
    for (char& c : bytes) {
        value = value * 1664525 + 1013904223;
        c = (char)(value >> 24);
    }
    return bytes;
}

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

std::vector<std::pair<std::string, std::string>> fieldsOf(const JsonValue& upload) {
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 0; i < upload["fields"].size(); i++)
        fields.emplace_back(upload["fields"].at(i).at(0).text(), upload["fields"].at(i).at(1).text());
    return fields;
}

void setLocalWriteTime(const std::wstring& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local = {year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
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
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(0, result);
        }
        return hr;
    }

    void expectRisingProgress() {
        ASSERT_GE(m_progress.size(), 2u);
        EXPECT_EQ(0, m_progress.front());
        EXPECT_EQ(100, m_progress.back());
        for (size_t i = 1; i < m_progress.size(); i++) EXPECT_LT(m_progress[i - 1], m_progress[i]) << i;
    }

    std::set<std::wstring> m_before;
};

}  // namespace

TEST_F(Upload, WithoutPackingTheFileItselfGoesWithThreeFields) {
    const std::string bytes = patterned(45000);
    const std::wstring path = writeFile(L"job 1.ps", bytes);
    ASSERT_HRESULT_SUCCEEDED(upload(path, 0));

    JsonValue record = m_provider->requests().at(0);
    EXPECT_EQ(kUploadPath, record["path"].text());
    EXPECT_EQ(m_provider->port(), record["listener_port"].integer());
    EXPECT_FALSE(record["tls"].boolean());
    JsonValue upload = m_provider->uploads().at(0);
    EXPECT_EQ(0u, upload["errors"].size()) << upload["errors"].at(0).text();
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"filename", "job 1.ps"}, {"outPath", "/uploads/u1"}, {"overwrite", "1"}}),
              fieldsOf(upload));
    const JsonValue& file = upload["files"].at(0);
    EXPECT_EQ("Filedata", file["form_name"].text());
    EXPECT_EQ(utf8(path), file["filename"].text());
    EXPECT_EQ("application/ps", file["content_type"].text());
    EXPECT_TRUE(m_provider->uploadedFile(0, false) == bytes);
    EXPECT_EQ("/uploads/u1/job 1.ps", file["server_path"].text());
    expectRisingProgress();
}

TEST_F(Upload, PackingSendsOneDeflatedEntryNamedAfterTheTemporaryCopy) {
    const std::string bytes = patterned(30000) + std::string(60000, 'P');
    const std::wstring path = writeFile(L"layout.ps", bytes);
    setLocalWriteTime(path, 2002, 3, 5, 9, 7, 42);
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1));

    JsonValue upload = m_provider->uploads().at(0);
    EXPECT_EQ(0u, upload["errors"].size()) << upload["errors"].at(0).text();
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                  {"filename", "layout.ps"}, {"outPath", "/uploads/u1"}, {"overwrite", "1"}, {"zip", "1"}}),
              fieldsOf(upload));
    const JsonValue& file = upload["files"].at(0);
    const std::wstring archive = file["filename"].wide();
    ASSERT_GT(archive.size(), 4u);
    EXPECT_EQ(L".zip", archive.substr(archive.size() - 4));
    const std::wstring archiveName = archive.substr(archive.find_last_of(L"/\\") + 1);
    EXPECT_EQ(0u, archiveName.find(L"tmp"));
    std::wstring temp = tempFolder();
    temp.pop_back();  // its trailing backslash
    EXPECT_EQ(0, _wcsicmp(temp.c_str(), archive.substr(0, archive.find_last_of(L"/\\")).c_str())) << utf8(archive);

    ASSERT_EQ(1u, file["zip_entries"].size());
    const JsonValue& entry = file["zip_entries"].at(0);
    const std::wstring copyName = archiveName.substr(0, archiveName.size() - 4) + L".tmp";
    EXPECT_EQ(copyName, entry["name"].wide());
    EXPECT_EQ(8, entry["method"].integer());
    EXPECT_EQ((long)bytes.size(), entry["size"].integer());
    std::vector<long> date;
    for (size_t i = 0; i < entry["date_time"].size(); i++) date.push_back(entry["date_time"].at(i).integer());
    EXPECT_EQ((std::vector<long>{2002, 3, 5, 9, 7, 42}), date);
    EXPECT_TRUE(m_provider->uploadedFile(0, true) == bytes);
    EXPECT_LT(m_provider->uploadedFile(0, false).size(), bytes.size());

    // Neither the copy nor the archive stays behind; the job file does.
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(archive)));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(tempFolder() + copyName)));
    EXPECT_EQ(m_before, temporaryUploadFiles());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(path)));
    expectRisingProgress();
}

TEST_F(Upload, AnyOffsetGivesTheWholeFile) {
    const std::string bytes = patterned(5000);
    const std::wstring path = writeFile(L"resume.ps", bytes);
    ASSERT_HRESULT_SUCCEEDED(upload(path, 0, 1234));
    EXPECT_TRUE(m_provider->uploadedFile(0, false) == bytes);
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1, 99999));
    EXPECT_TRUE(m_provider->uploadedFile(1, true) == bytes);
}

TEST_F(Upload, TheFileNameFieldFollowsTheLastSlashOfEitherKind) {
    const std::wstring path = writeFile(L"mixed\\sub\\last name.ps", "x");
    const std::wstring mixed = folder() + L"mixed/sub\\last name.ps";
    ASSERT_HRESULT_SUCCEEDED(upload(mixed, 0));
    EXPECT_EQ("last name.ps", m_provider->uploads().at(0)["field_values"]["filename"].text());
    EXPECT_EQ(utf8(mixed), m_provider->uploads().at(0)["files"].at(0)["filename"].text());
}

TEST_F(Upload, ASecureConnectionUploadsOverHttpsOnTheCallersPort) {
    m_web->disconnect();
    m_provider->settings(R"({"protocol": "https://"})");
    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->clearRecords();
    const std::wstring path = writeFile(L"secure.ps", "secure");
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1));
    JsonValue record = m_provider->requests().at(0);
    EXPECT_TRUE(record["tls"].boolean());
    EXPECT_EQ(kUploadPath, record["path"].text());
    EXPECT_EQ("secure", m_provider->uploadedFile(0, true));
}

TEST_F(Upload, FailuresAreUnknownErrorsAndLeaveNoTemporaryFiles) {
    const std::wstring path = writeFile(L"fails.ps", patterned(20000));
    for (long compress : {0L, 1L}) {
        CallResult closed = takeCallResult(upload(path, compress, -1, closedPort()));
        EXPECT_EQ(E_UNEXPECTED, closed.hr);
        EXPECT_EQ(L"Unknown error", closed.description);
        EXPECT_EQ(L"KeloWeb.iWeb.1", closed.source);

        CallResult missing = takeCallResult(upload(folder() + L"missing.ps", compress));
        EXPECT_EQ(E_UNEXPECTED, missing.hr);
        EXPECT_EQ(L"Unknown error", missing.description);
    }
    // An endpoint that answers with an error status has not taken the file.
    m_provider->script(R"({"method": "upload", "status": 500, "body": "Disk full", "times": 1})");
    CallResult refused = takeCallResult(upload(path, 1));
    EXPECT_EQ(E_UNEXPECTED, refused.hr);
    EXPECT_EQ(L"Unknown error", refused.description);
    EXPECT_EQ(m_before, temporaryUploadFiles());
    ASSERT_HRESULT_SUCCEEDED(upload(path, 1)) << "the next upload goes through";

    // The stand-in breaks the connection in the middle of the body.
    m_provider->script(R"({"method": "upload", "close_after": 2000, "close": "reset"})");
    const std::wstring big = writeFile(L"big.ps", patterned(3 * 1024 * 1024));
    EXPECT_EQ(E_UNEXPECTED, upload(big, 1));
    EXPECT_EQ(m_before, temporaryUploadFiles());

    m_web->disconnect();
    CallResult notConnected = takeCallResult(upload(path, 0));
    EXPECT_EQ(E_UNEXPECTED, notConnected.hr);
}

TEST_F(Upload, WindowMessagesAreDispatchedDuringTheUploadAndQuitIsKept) {
    struct Seen {
        bool handled = false;
        size_t eventsBefore = 0;
        std::vector<long>* progress = nullptr;
    } seen;
    seen.progress = &m_progress;
    WNDCLASSW windowClass = {};
    windowClass.lpszClassName = L"KeloWebUploadTest";
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        if (message == WM_APP + 7) {
            Seen* seen = reinterpret_cast<Seen*>(l);
            seen->handled = true;
            seen->eventsBefore = seen->progress->size();
            return 0;
        }
        return DefWindowProcW(window, message, w, l);
    };
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowW(L"KeloWebUploadTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    ASSERT_TRUE(window);

    const std::wstring path = writeFile(L"pump.ps", patterned(50000));
    PostMessageW(window, WM_APP + 7, 0, (LPARAM)&seen);
    PostQuitMessage(42);
    ASSERT_HRESULT_SUCCEEDED(upload(path, 0));

    EXPECT_TRUE(seen.handled);
    EXPECT_GE(seen.eventsBefore, 1u);  // handled inside the upload, after an event
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(42u, message.wParam);
    DestroyWindow(window);
    UnregisterClassW(L"KeloWebUploadTest", windowClass.hInstance);
    expectRisingProgress();
}
