#pragma once
// CPrintDriver: one printer of this system inside the engine. It holds the printer's
// description, reads the printer's own registry data, owns the printer's open jobs and
// announces each new one with onNewPrintJob.
#include <windows.h>

#include <mutex>
#include <optional>
#include <string>

#include "bv_mutex.h"
#include "com/connection_point.h"
#include "com/error_info.h"
#include "com/object.h"
#include "com/typelib_dispatch.h"
#include "dictionary.h"
#include "engine_events.h"
#include "engine_h.h"
#include "print_job.h"
#include "variant.h"

class CPrintDriver : public com::Object<CPrintDriver, com::TypeLibDispatch<IPrintDriver>,
                                        com::EventSource<_IPrintDriverEvents>, com::SupportErrorInfo<IPrintDriver>> {
public:
    static constexpr bool kFreeThreaded = true;

    CPrintDriver();

    // Stores the printer's level-1 description, reads its server address and creates its
    // printer folder (jobsPath + name + "\"). Failures after the description is stored
    // are swallowed.
    void initializeDriverInformation(const std::wstring& name, const std::wstring& description,
                                     const std::wstring& comment, const std::wstring& jobsPath);

    // The spooler-side steps, keyed by the spooler's job id.
    // A new job: its id, or 0 when the id is open already or the job cannot be created.
    long startDoc(long jobId);
    long writePrinter(long jobId, long bytes);  // 1, or 0 without such a job
    void endDoc(long jobId);
    void close(long jobId);
    long startPage(long jobId);
    long endPage(long jobId);
    void abort(long jobId);
    // Chooses the job's folder and returns folder + "\layout.ps". Throws "Invalid job
    // handle" for a job id that is not open.
    std::wstring outputFile(long jobId);

    std::wstring serverAddress();

    // IPrintDriver
    STDMETHODIMP getDriverData(BSTR keyName, VARIANT* value) override;
    STDMETHODIMP get_printerName(BSTR* pVal) override;
    STDMETHODIMP get_printerDescription(BSTR* pVal) override;
    STDMETHODIMP get_printerComment(BSTR* pVal) override;
    STDMETHODIMP get_driverDataPath(BSTR* pVal) override;
    STDMETHODIMP get_printJobs(IReadOnlyCollection** pVal) override;
    STDMETHODIMP get_Id(VARIANT* pVal) override;
    STDMETHODIMP get_jobsPath(BSTR* pVal) override;

private:
    com::ComPtr<CPrintJob> findJob(long jobId);
    HRESULT copyText(const std::optional<std::wstring>& text, const char* label, BSTR* out);

    C_BVMutex m_lock;  // the descriptive fields
    std::optional<std::wstring> m_printerName;
    std::optional<std::wstring> m_printerDescription;
    std::optional<std::wstring> m_printerComment;
    std::wstring m_serverAddress;
    std::wstring m_jobsPath;
    Variant m_id;

    std::mutex m_jobsLock;  // the job table, held only for lookups and updates
    T_Dictionary<long, com::ComPtr<CPrintJob>> m_jobs;
};
