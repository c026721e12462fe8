#pragma once
// c_iWebWrapper: the provider's server as typed operations. Each operation sends one
// server method with its parameters through the web component's `command` and reads
// the fields of the reply. A reply whose "returnCode" holds "ERROR_" anywhere raises
// E_FAIL with the source "Kelo Server" and the server's "returnMessage".
//
// Unbound server: the operations from createJob to getCostCenterList, and priceJob,
// send nothing and give their empty value; every other operation raises.
//
// Upload ports are read as 32-bit numbers: a port above 32767 must not overflow.
#include <windows.h>

#include <functional>
#include <string>

#include "com/event_sink.h"
#include "web_access.h"

class C_jobPersistant;

extern const wchar_t kServerErrorSource[];  // "Kelo Server"

struct PriceRecord {
    double price = 0, discount = 0, urgency = 0, subtotal = 0, tax = 0, total = 0, nextPrice = 0, nextQuantity = 0;
};

class c_iWebWrapper {
public:
    c_iWebWrapper() = default;
    ~c_iWebWrapper();
    c_iWebWrapper(const c_iWebWrapper&) = delete;
    c_iWebWrapper& operator=(const c_iWebWrapper&) = delete;

    // Binds the web component object and listens to its upload progress.
    void setServer(ComPtr<I_Web> server);
    I_Web* server() const { return m_server.Get(); }
    // The client's current language (0: English), sent as "pdLocale".
    void setLanguage(LCID language) { m_language = language; }

    // Raised with the web component's percentDone each time it reports progress.
    std::function<void(long percentDone)> fileUploadProgress;
    // While set, every progress report is answered with E_ABORT, which tells the web
    // component to stop sending the transfer under way.
    void setTransferStopped(bool stopped) { m_transferStopped = stopped; }

    long createJob(const std::wstring& jobName, double width, double height, short pageCount);
    ScriptDictionary getJobTypes();
    ScriptDictionary getLocalizationSection();
    ScriptDictionary getJobSubTypes(const std::wstring& jobTypeId);
    ScriptDictionary getJobSubTypeInfo(const std::wstring& jobSubTypeId, const std::wstring& jobTypeId, long jobId);
    void getWorkingHours(SYSTEMTIME& startTime, SYSTEMTIME& endTime);
    void getUrgencyParameters(SYSTEMTIME& current, SYSTEMTIME& urgent, SYSTEMTIME& express, SYSTEMTIME& regular);
    SYSTEMTIME getDefaultRequiredDate();
    ComPtr<IDispatch> getRemotePicture(const std::wstring& url);
    void getCostCenterList(long jobId, long& selectedId, Variant& list);

    std::wstring getCallUrl();
    void uploadJob(const C_jobPersistant& job, std::wstring& uploadPath, long& uploadPort);
    void resumeUploadJob(const C_jobPersistant& job, long& uploadPort, long& serverFileSize, long& serverFileChecksum);
    std::wstring doneUpload(const C_jobPersistant& job);
    void getJobStatus(const std::wstring& jobId, std::wstring& status, short& progress, Variant& wizData);
    std::wstring getTermsAndConditions();
    void orderJob(const std::wstring& jobId);
    void deleteJob(const std::wstring& jobId);
    Variant getSteps(const std::wstring& stepId, const std::wstring& jobId);
    Variant getRestDates(const SYSTEMTIME& startDate, const SYSTEMTIME& endDate);
    bool getIsPriceVisible();
    bool getIsReqDateEnabled();
    // The reply's "versionSpec" ("update", "critical", "downloadUrl"); empty when absent.
    ScriptDictionary checkClientVersion(const std::wstring& currVersion);
    bool prepareClientDownload();
    ComPtr<IDispatch> getLogo();
    // colors: -1 sends "Black", 0 "Color", anything else the number itself.
    PriceRecord priceJob(long jobId, const std::wstring& jobType, const std::wstring& jobDescription,
                         const std::wstring& pageSize, double pageWidth, double pageHeight, short pageCount,
                         const std::wstring& paperAlias, const SYSTEMTIME& reqDate, short copies, long colors);

private:
    ScriptDictionary invoke(const std::wstring& methodName, const ScriptDictionary& params);
    HRESULT onEvent(DISPID event, DISPPARAMS* params);

    ComPtr<I_Web> m_server;
    com::Subscription m_events;
    LCID m_language = 0;
    bool m_transferStopped = false;
};

// Reply values as the wrapper reads them; an Empty value reads as "", 0 or False.
std::wstring replyText(const VARIANT& value);
long replyLong(const VARIANT& value);
short replyShort(const VARIANT& value);
double replyDouble(const VARIANT& value);
bool replyBool(const VARIANT& value);
