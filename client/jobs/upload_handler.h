#pragma once
// C_uploadHandler: sends one job's PostScript file to the provider. It names the file
// after the job's description, asks the server where to put it, uploads it (zipped)
// while the progress window shows, lets the user stop, and turns every error into the
// question whether to cancel, retry or ignore.
#include <functional>
#include <memory>
#include <string>

#include "job_persistant.h"
#include "localization.h"
#include "upload_window.h"
#include "web_wrapper.h"

// A job's name made fit for a file name: each of : / \ * ? < > |, the double quote and
// the control characters becomes "_".
std::wstring makeFileName(const std::wstring& text);

// The answers of the error question.
enum UploadErrorAnswer : short {
    kUploadErrorNoDescription = 0,
    kUploadErrorRetryAgain = 1,
    kUploadErrorCancel = 2,
    kUploadErrorRetry = 4,
    kUploadErrorIgnore = 5,
};

class C_uploadHandler : private UploadWindowListener {
public:
    explicit C_uploadHandler(const C_localization& localization);
    ~C_uploadHandler();
    C_uploadHandler(const C_uploadHandler&) = delete;
    C_uploadHandler& operator=(const C_uploadHandler&) = delete;

    void setBasePath(const std::wstring& path) { m_basePath = path; }
    const std::wstring& basePath() const { return m_basePath; }
    // Opens the job state kept in that file.
    void setPersistFile(const std::wstring& path) { m_state.setPersistantFile(path); }
    const std::wstring& persistFile() const { return m_state.getPersistantFile(); }
    void setServer(ComPtr<I_Web> server);
    I_Web* server() const { return m_server.server(); }

    // Uploads the job; the server's path of the file (upload path, "/", file name), or
    // "" when the upload was cancelled.
    std::wstring doUpload();
    // True once the user confirmed the stop question: the rest of the file was not sent
    // and the server was asked to delete the job.
    bool GetAborted() const { return m_aborted; }

    // The error question; the answer as UploadErrorAnswer. Replaceable for tests.
    std::function<short(const std::wstring& description)> askUploadError;

private:
    std::wstring uploadFromStart();
    short uploadCanUnload(short unloadMode) override;
    void m_server_fileUploadProgress(long percentDone);
    void showUploadError(long code);
    // The end of an upload the user stopped: the server is asked to delete the job.
    std::wstring stopAtUsersRequest();

    const C_localization& m_localization;
    std::wstring m_basePath;
    C_jobPersistant m_state;
    c_iWebWrapper m_server;
    std::unique_ptr<frmUploadJob> m_window;
    bool m_aborted = false;
};

// The question of an upload error, through the choice dialog: cancel, retry or ignore.
short askUploadErrorQuestion(const C_localization& localization, const std::wstring& description);
// The stop question: true when the user confirms.
bool askStopUpload(const C_localization& localization);
