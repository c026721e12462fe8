#include "upload_handler.h"

#include <comdef.h>

#include <vector>

#include "bstr.h"
#include "choice_dialog.h"
#include "client_error.h"
#include "com/guard.h"
#include "debug_log.h"
#include "error_text.h"
#include "path_text.h"
#include "paths.h"
#include "text_convert.h"
#include "xml_file.h"

namespace {

// The name of the job in its description (job.xml); "" when it has none.
std::wstring jobNameOf(const std::wstring& descriptionFile) {
    ComPtr<IXMLDOMDocument> description = xml::newDocument();
    std::wstring reason;
    if (!xml::loadFile(description.Get(), descriptionFile, &reason))
        raiseError(E_FAIL, L"The job description " + descriptionFile + L" cannot be read: " + reason);
    return xml::text(xml::selectSingleNode(xml::documentElement(description.Get()).Get(), L".//name").Get());
}

std::wstring fullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 2];
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(full, length) : path;
}

void moveFile(const std::wstring& from, const std::wstring& to) {
    // A job named "layout" already has its readable name.
    if (_wcsicmp(fullPath(from).c_str(), fullPath(to).c_str()) == 0) return;
    if (MoveFileW(from.c_str(), to.c_str())) return;
    DWORD error = GetLastError();
    raiseError(HRESULT_FROM_WIN32(error),
               L"The file " + from + L" cannot be moved to " + to + L": " + toWide(systemErrorText(error)));
}

unsigned long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        raiseError(HRESULT_FROM_WIN32(error),
                   L"The file " + path + L" cannot be read: " + toWide(systemErrorText(error)));
    }
    return ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// The readable name cut so that "<folder>/<name>.ps" stays a path Windows can open
// (MAX_PATH); a surrogate pair is never split. A long document name would otherwise
// leave the job file where it is, behind an error the user cannot retry away.
std::wstring fittedFileName(const std::wstring& folder, const std::wstring& name) {
    const size_t fixed = folder.size() + 1 + 3;  // the folder, "/" and ".ps"
    size_t room = fixed < MAX_PATH - 1 ? MAX_PATH - 1 - fixed : 0;
    if (name.size() <= room) return name;
    if (room > 0 && IS_HIGH_SURROGATE(name[room - 1])) --room;
    return name.substr(0, room);
}

}  // namespace

std::wstring makeFileName(const std::wstring& text) {
    std::wstring name = text;
    for (wchar_t& c : name)
        if (c < 32 || wcschr(L":/\\*?<>|\"", c)) c = L'_';
    return name;
}

short askUploadErrorQuestion(const C_localization& localization, const std::wstring& description) {
    if (description.empty()) return kUploadErrorNoDescription;
    std::wstring title = localization.stringLclz(L"STR_UHAND_ERROR", L"Error", {L"!"});
    std::wstring prompt =
        localization.stringLclz(L"STR_UHAND_FOLLOWING", L"The following error has occured", {L" : ", description}) +
        L"\r\n" + localization.stringLclz(L"STR_UHAND_WHATODO", L"What do you want to do");
    std::vector<std::wstring> answers = {
        localization.stringLclz(L"STR_UHAND_CANCEL", L"Cancel the current operation"),
        localization.stringLclz(L"STR_UHAND_RETRY", L"Retry the last action"),
        localization.stringLclz(L"STR_UHAND_IGNORE", L"Ignore the error and continue"),
    };
    switch (showChoice(localization, title, prompt, answers, false, false)) {
    case 0: return kUploadErrorCancel;
    case 1: return kUploadErrorRetry;
    case 2: return kUploadErrorIgnore;
    default: return kUploadErrorNoDescription;
    }
}

bool askStopUpload(const C_localization& localization) {
    return MessageBoxW(
               nullptr,
               localization.stringLclz(L"STR_UHAND_YOUSURE", L"Are you sure you want to cancel job upload?").c_str(),
               localization.stringLclz(L"STR_UHAND_CANCELTITLE", L"Print Driver - Cancel Job Upload").c_str(),
               MB_YESNO | MB_ICONEXCLAMATION | MB_SETFOREGROUND) == IDYES;
}

C_uploadHandler::C_uploadHandler(const C_localization& localization) : m_localization(localization) {
    askUploadError = [this](const std::wstring& description) {
        return askUploadErrorQuestion(m_localization, description);
    };
    m_server.setLanguage(m_localization.currLang());
}

C_uploadHandler::~C_uploadHandler() {
    if (m_window) {
        m_window->setListener(nullptr);
        m_window->unload();
    }
}

void C_uploadHandler::setServer(ComPtr<I_Web> server) {
    m_server.setServer(std::move(server));
    m_server.fileUploadProgress = [this](long percentDone) { m_server_fileUploadProgress(percentDone); };
}

std::wstring C_uploadHandler::doUpload() { return uploadFromStart(); }

void C_uploadHandler::m_server_fileUploadProgress(long percentDone) {
    if (m_window) m_window->setProgress((short)percentDone);
}

short C_uploadHandler::uploadCanUnload(short) {
    if (!askStopUpload(m_localization)) return 1;
    m_aborted = true;
    m_server.setTransferStopped(true);
    return 0;
}

std::wstring C_uploadHandler::stopAtUsersRequest() {
    DebugLine() << "C_uploadHandler - stopped by the user; the server is asked to delete job "
                << toAnsi(m_state.jobId());
    auto failure = com::runCaught([&] { m_server.deleteJob(m_state.jobId()); });
    if (failure) DebugLine() << "C_uploadHandler - deleteJob failed: " << toAnsi(failure->description);
    if (m_window) {
        m_window->setListener(nullptr);
        m_window->unload();
    }
    return L"";
}

void C_uploadHandler::showUploadError(long code) {
    BStr message;
    if (m_server.server()) m_server.server()->getUploadMessage(message.out());
    std::wstring text = m_localization.stringLclz(L"STR_UHAND_UPLOADERROR", L"Error while uploading job") + L" [" +
                        std::to_wstring(code) + L"] - " + message.str();
    MessageBoxW(nullptr, text.c_str(), m_localization.stringLclz(L"STR_GEN_PDTITLE", L"Print Driver").c_str(),
                MB_OK | MB_SETFOREGROUND);
}

std::wstring C_uploadHandler::uploadFromStart() {
    std::wstring target, jobName, uploadPath, result;
    long uploadPort = 0;
    long code = 0;
    const std::vector<std::function<void()>> steps = {
        [&] { target = m_basePath + L"/" + lastPathElement(m_basePath) + L".ps"; },
        [&] {
            if (!bvfsFileExists(m_state.filename().c_str())) return;
            jobName = jobNameOf(m_basePath + L"/job.xml");
            std::wstring fileName = makeFileName(jobName), fitted = fittedFileName(m_basePath, fileName);
            if (fitted.size() > 0 || fileName.empty()) target = m_basePath + L"/" + fitted + L".ps";
        },
        [&] {
            m_aborted = false;
            m_server.setTransferStopped(false);
        },
        [&] {
            moveFile(m_state.filename(), target);
            m_state.setFilename(target);
        },
        [&] {
            m_server.uploadJob(m_state, uploadPath, uploadPort);
            m_state.setUploadPath(uploadPath);
            m_state.Flush();
        },
        [&] {
            m_window = std::make_unique<frmUploadJob>(m_localization);
            m_window->load();
            m_window->setListener(this);
            m_window->setJobName(jobName);
            m_window->setProgressLimit(0, 100);
            m_window->setProgress(0);
            m_window->setFileSize(fileSize(m_state.filename()));
            m_window->setStatus(m_localization.stringLclz(L"STR_UHAND_UPLOADJOB", L"Uploading job"));
            m_window->show();
        },
        [&] { result = uploadPath + L"/" + lastPathElement(m_state.filename()); },
        [&] { m_state.setCompress(-1); },
        [&] {
            if (!m_server.server()) raiseError(E_POINTER, L"Object variable not set: no server is bound");
            long ret = 0;
            com::check(m_server.server()->startFileUpload(BStr(m_state.filename()).get(), BStr(uploadPath).get(),
                                                          uploadPort, m_state.compress(), &ret));
            code = ret;
        },
        [&] {
            bool cancelled = m_window && m_window->isCanceled();
            if (code != 0 && !cancelled) {
                if (m_window) m_window->hide();
                showUploadError(code);
            } else if (code == 0 && m_window) {
                m_window->hide();
            }
        },
        [&] {
            if (!m_window) return;
            m_window->setListener(nullptr);
            m_window->unload();
        },
    };
    for (size_t step = 0; step < steps.size();) {
        auto failure = com::runCaught(steps[step]);
        // After a confirmed stop the job goes no further, whatever the step did.
        if (m_aborted) return stopAtUsersRequest();
        if (!failure) {
            ++step;
            continue;
        }
        DebugLine() << "C_uploadHandler - step " << step + 1 << " failed: 0x" << std::hex << failure->hr << " "
                    << toAnsi(failure->description);
        switch (askUploadError(failure->description)) {
        case kUploadErrorRetryAgain:
        case kUploadErrorRetry: continue;
        case kUploadErrorIgnore: ++step; continue;
        case kUploadErrorCancel:
            m_server.deleteJob(m_state.jobId());
            if (m_window && m_window->visible()) m_window->hide();
            return L"";
        default:
            if (m_window) m_window->hide();
            return L"";
        }
    }
    return result;
}
