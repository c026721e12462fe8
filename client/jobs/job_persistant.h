#pragma once
// C_jobPersistant: the client's own state of one job, kept in "offline.xml" in the job
// folder beside the engine's files:
//   <printerClient><parameter name="fileName"><value>...</value></parameter>...</printerClient>
// Every object loads the file when it is opened and writes the whole document back on
// Flush, so several objects may work on one file one after the other. Changes stay in
// memory until Flush. Failures throw _com_error.
#include <msxml2.h>
#include <wrl/client.h>

#include <string>

extern const wchar_t kJobStateFileName[];  // "offline.xml"

class C_jobPersistant {
public:
    C_jobPersistant();

    // Opens the state: the file's document when it exists, else an empty root. An
    // empty path gives an empty state without a file. A file that is no XML document
    // raises.
    void setPersistantFile(const std::wstring& filename);
    const std::wstring& getPersistantFile() const { return m_file; }
    // Writes the whole document to the file (when there is one), replacing it.
    void Flush();

    // The fields; a missing one reads as "" or 0.
    std::wstring name() const { return read(L"jobName"); }
    void setName(const std::wstring& value) { write(L"jobName", value, false); }
    std::wstring docName() const { return read(L"originalDocName"); }
    void setDocName(const std::wstring& value) { write(L"originalDocName", value, false); }
    // The full path of the job file; the only field that replaces its earlier value.
    std::wstring filename() const { return read(L"fileName"); }
    void setFilename(const std::wstring& value) { write(L"fileName", value, true); }
    short compress() const;
    void setCompress(short value) { write(L"compress", std::to_wstring(value), false); }
    std::wstring uploadPath() const { return read(L"uploadPath"); }
    void setUploadPath(const std::wstring& value) { write(L"uploadPath", value, false); }
    std::wstring jobId() const { return read(L"jobId"); }
    void setJobId(const std::wstring& value) { write(L"jobId", value, false); }

private:
    void startEmpty();
    std::wstring read(const std::wstring& key) const;
    void write(const std::wstring& key, const std::wstring& value, bool replace);

    std::wstring m_file;
    Microsoft::WRL::ComPtr<IXMLDOMDocument> m_document;
};
