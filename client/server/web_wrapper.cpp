#include "web_wrapper.h"

#include <comdef.h>

#include "bstr.h"
#include "client_error.h"
#include "com/guard.h"
#include "debug_log.h"
#include "job_persistant.h"
#include "path_text.h"
#include "server_date.h"
#include "web_events.h"

const wchar_t kServerErrorSource[] = L"Kelo Server";

namespace {

bool isEmpty(const VARIANT& value) { return value.vt == VT_EMPTY || value.vt == VT_NULL; }

Variant converted(const VARIANT& value, VARTYPE type) {
    Variant result;
    com::check(VariantChangeTypeEx(&result, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, type));
    return result;
}

Variant text(const std::wstring& value) { return Variant(value); }
Variant number(long value) { return Variant(value); }
Variant integer(short value) { return Variant(value); }
Variant real(double value) { return Variant(value); }

// A double as decimal text with a point, whatever the user's locale.
std::wstring decimalText(double value) {
    BStr result;
    com::check(VarBstrFromR8(value, LOCALE_INVARIANT, 0, result.out()));
    return result.str();
}

}  // namespace

std::wstring replyText(const VARIANT& value) { return isEmpty(value) ? std::wstring() : Variant(value).toString(); }

long replyLong(const VARIANT& value) { return isEmpty(value) ? 0 : converted(value, VT_I4).lVal; }

short replyShort(const VARIANT& value) { return isEmpty(value) ? 0 : converted(value, VT_I2).iVal; }

double replyDouble(const VARIANT& value) { return isEmpty(value) ? 0 : converted(value, VT_R8).dblVal; }

bool replyBool(const VARIANT& value) {
    if (isEmpty(value)) return false;
    if (value.vt == VT_BSTR) {
        std::wstring word = replyText(value);
        if (_wcsicmp(word.c_str(), L"true") == 0) return true;
        if (_wcsicmp(word.c_str(), L"false") == 0) return false;
    }
    return converted(value, VT_BOOL).boolVal != VARIANT_FALSE;
}

c_iWebWrapper::~c_iWebWrapper() { m_events.end(); }

void c_iWebWrapper::setServer(ComPtr<I_Web> server) {
    m_events.end();
    m_server = std::move(server);
    if (!m_server) return;
    auto sink = com::make<com::EventSink>(__uuidof(_IWebEvents),
                                          [this](DISPID event, DISPPARAMS* params) { return onEvent(event, params); });
    HRESULT hr = m_events.begin(m_server.Get(), __uuidof(_IWebEvents), sink.Get());
    // Without events the upload still runs; only its progress goes unseen.
    if (FAILED(hr)) DebugLine() << "c_iWebWrapper - no progress events from the web component 0x" << std::hex << hr;
}

HRESULT c_iWebWrapper::onEvent(DISPID event, DISPPARAMS* params) {
    const VARIANT* percent = com::eventArgument(params, 0);
    if (event == kFileUploadProgress && percent && fileUploadProgress) {
        long value = 0;
        if (!com::runCaught([&] { value = replyLong(*percent); })) fileUploadProgress(value);
    }
    return event == kFileUploadProgress && m_transferStopped ? E_ABORT : S_OK;
}

ScriptDictionary c_iWebWrapper::invoke(const std::wstring& methodName, const ScriptDictionary& params) {
    if (!m_server) raiseError(E_POINTER, L"Object variable not set: no server is bound");
    ComPtr<IDictionary> reply;
    com::check(m_server->command(BStr(methodName).get(), params.dictionary(), reply.GetAddressOf()));
    ScriptDictionary answer = ScriptDictionary::from(reply.Get());
    if (answer && answer.exists(L"returnCode") &&
        replyText(answer.item(L"returnCode")).find(L"ERROR_") != std::wstring::npos)
        raiseError(E_FAIL, replyText(answer.item(L"returnMessage")), kServerErrorSource);
    return answer;
}

long c_iWebWrapper::createJob(const std::wstring& jobName, double width, double height, short pageCount) {
    if (!m_server) return 0;
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobName", text(jobName));
    params.add(L"pageWidth", real(width));
    params.add(L"pageHeight", real(height));
    params.add(L"pageCount", integer(pageCount));
    return replyLong(invoke(L"createJob", params).item(L"jobId"));
}

ScriptDictionary c_iWebWrapper::getJobTypes() {
    if (!m_server) return ScriptDictionary();
    return invoke(L"getJobTypes", ScriptDictionary::create());
}

ScriptDictionary c_iWebWrapper::getLocalizationSection() {
    if (!m_server) return ScriptDictionary();
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"pdLocale", number((long)m_language));
    if (m_language != 0) params.add(L"primaryLang", number((long)(m_language & 0x3FF)));
    return invoke(L"getLocalizationSection", params);
}

ScriptDictionary c_iWebWrapper::getJobSubTypes(const std::wstring& jobTypeId) {
    if (!m_server) return ScriptDictionary();
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobTypeID", text(jobTypeId));
    return invoke(L"getJobSubTypes", params);
}

ScriptDictionary c_iWebWrapper::getJobSubTypeInfo(const std::wstring& jobSubTypeId, const std::wstring& jobTypeId,
                                                  long jobId) {
    if (!m_server) return ScriptDictionary();
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobSubTypeId", text(jobSubTypeId));
    params.add(L"jobTypeID", text(jobTypeId));
    params.add(L"jobId", number(jobId));
    return invoke(L"getJobSubTypeInfo", params);
}

void c_iWebWrapper::getWorkingHours(SYSTEMTIME& startTime, SYSTEMTIME& endTime) {
    if (!m_server) return;
    ScriptDictionary reply = invoke(L"getWorkingHours", ScriptDictionary::create());
    startTime = parseServerDate(replyText(reply.item(L"startTime")));
    endTime = parseServerDate(replyText(reply.item(L"endTime")));
}

void c_iWebWrapper::getUrgencyParameters(SYSTEMTIME& current, SYSTEMTIME& urgent, SYSTEMTIME& express,
                                         SYSTEMTIME& regular) {
    if (!m_server) return;
    ScriptDictionary reply = invoke(L"getUrgencyParameters", ScriptDictionary::create());
    current = parseServerDate(replyText(reply.item(L"currentDate")));
    urgent = parseServerDate(replyText(reply.item(L"urgentDate")));
    express = parseServerDate(replyText(reply.item(L"expressDate")));
    regular = parseServerDate(replyText(reply.item(L"regularDate")));
}

SYSTEMTIME c_iWebWrapper::getDefaultRequiredDate() {
    if (!m_server) return SYSTEMTIME{};
    return parseServerDate(
        replyText(invoke(L"getDefaultRequiredDate", ScriptDictionary::create()).item(L"defaultDate")));
}

ComPtr<IDispatch> c_iWebWrapper::getRemotePicture(const std::wstring& url) {
    ComPtr<IDispatch> picture;
    if (!m_server) return picture;
    com::check(m_server->getRemotePicture(BStr(url).get(), picture.GetAddressOf()));
    return picture;
}

void c_iWebWrapper::getCostCenterList(long jobId, long& selectedId, Variant& list) {
    if (!m_server) return;
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", number(jobId));
    ScriptDictionary reply = invoke(L"getCostCenterList", params);
    selectedId = replyLong(reply.item(L"selectedId"));
    Variant centers = reply.item(L"costCenterList");
    if (centers.vt == VT_DISPATCH || centers.vt == VT_UNKNOWN) list = centers;
}

std::wstring c_iWebWrapper::getCallUrl() {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"getCallUrl", integer(0));
    return replyText(invoke(L"getCallUrl", params).item(L"callUrl"));
}

void c_iWebWrapper::uploadJob(const C_jobPersistant& job, std::wstring& uploadPath, long& uploadPort) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", text(job.jobId()));
    params.add(L"fileName", text(lastPathElement(parentPath(job.filename()))));
    ScriptDictionary reply = invoke(L"uploadJob_nogui", params);
    uploadPath = replyText(reply.item(L"uploadPath"));
    uploadPort = replyLong(reply.item(L"uploadPort"));
}

void c_iWebWrapper::resumeUploadJob(const C_jobPersistant& job, long& uploadPort, long& serverFileSize,
                                    long& serverFileChecksum) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"filename", text(lastPathElement(job.filename())));
    params.add(L"uploadPath", text(job.uploadPath()));
    ScriptDictionary reply = invoke(L"resumeUploadJob", params);
    uploadPort = replyLong(reply.item(L"uploadPort"));
    serverFileSize = replyLong(reply.item(L"serverFileSize"));
    serverFileChecksum = replyLong(reply.item(L"serverFileChecksum"));
}

std::wstring c_iWebWrapper::doneUpload(const C_jobPersistant& job) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", text(job.jobId()));
    params.add(L"filename", text(lastPathElement(parentPath(job.filename()))));
    params.add(L"uploadPath", text(job.uploadPath()));
    return replyText(invoke(L"doneUpload", params).item(L"jobId"));
}

void c_iWebWrapper::getJobStatus(const std::wstring& jobId, std::wstring& status, short& progress, Variant& wizData) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", text(jobId));
    ScriptDictionary reply = invoke(L"getJobStatus", params);
    status = replyText(reply.item(L"status"));
    progress = replyShort(reply.item(L"progress"));
    if (reply.exists(L"postProcessStepsId")) wizData = reply.item(L"postProcessStepsId");
}

std::wstring c_iWebWrapper::getTermsAndConditions() {
    return replyText(invoke(L"getTermsAndConditions", ScriptDictionary::create()).item(L"result"));
}

void c_iWebWrapper::orderJob(const std::wstring& jobId) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", text(jobId));
    invoke(L"orderJob", params);
}

void c_iWebWrapper::deleteJob(const std::wstring& jobId) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", text(jobId));
    invoke(L"deleteJob", params);
}

Variant c_iWebWrapper::getSteps(const std::wstring& stepId, const std::wstring& jobId) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"baseStepId", text(stepId));
    params.add(L"jobId", text(jobId));
    return invoke(L"getSteps", params).item(L"steps");
}

Variant c_iWebWrapper::getRestDates(const SYSTEMTIME& startDate, const SYSTEMTIME& endDate) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"startDate", text(formatServerDate(startDate)));
    params.add(L"endDate", text(formatServerDate(endDate)));
    return invoke(L"getRestDates", params).item(L"restDates");
}

bool c_iWebWrapper::getIsPriceVisible() {
    return replyBool(invoke(L"getIsPriceVisible", ScriptDictionary::create()).item(L"isPriceVisible"));
}

bool c_iWebWrapper::getIsReqDateEnabled() {
    return replyBool(invoke(L"getIsReqDateEnabled", ScriptDictionary::create()).item(L"isReqDateEnabled"));
}

ScriptDictionary c_iWebWrapper::checkClientVersion(const std::wstring& currVersion) {
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"version", text(currVersion));
    Variant versionSpec = invoke(L"checkClientVersion", params).item(L"versionSpec");
    bool isObject = versionSpec.vt == VT_DISPATCH || versionSpec.vt == VT_UNKNOWN;
    return isObject ? ScriptDictionary::from(versionSpec.punkVal) : ScriptDictionary();
}

bool c_iWebWrapper::prepareClientDownload() {
    return replyBool(invoke(L"prepareClientDownload", ScriptDictionary::create()).item(L"succeeded"));
}

ComPtr<IDispatch> c_iWebWrapper::getLogo() {
    ScriptDictionary reply = invoke(L"getLogo", ScriptDictionary::create());
    if (!reply.exists(L"path")) return ComPtr<IDispatch>();
    return getRemotePicture(replyText(reply.item(L"path")));
}

PriceRecord c_iWebWrapper::priceJob(long jobId, const std::wstring& jobType, const std::wstring& jobDescription,
                                    const std::wstring& pageSize, double pageWidth, double pageHeight, short pageCount,
                                    const std::wstring& paperAlias, const SYSTEMTIME& reqDate, short copies,
                                    long colors) {
    PriceRecord record;
    if (!m_server) return record;
    ScriptDictionary params = ScriptDictionary::create();
    params.add(L"jobId", number(jobId));
    params.add(L"jobType", text(jobType));
    params.add(L"jobDescription", text(jobDescription));
    params.add(L"pageSize", text(pageSize));
    params.add(L"pageWidth", text(decimalText(pageWidth)));
    params.add(L"pageHeight", text(decimalText(pageHeight)));
    params.add(L"pageCount", integer(pageCount));
    params.add(L"paperAlias", text(paperAlias));
    params.add(L"reqDate", text(formatServerDate(reqDate)));
    params.add(L"copies", integer(copies));
    params.add(L"colors", colors == -1 ? text(L"Black") : colors == 0 ? text(L"Color") : number(colors));
    ScriptDictionary reply = invoke(L"price", params);
    record.price = replyDouble(reply.item(L"price"));
    record.discount = replyDouble(reply.item(L"discount"));
    record.urgency = replyDouble(reply.item(L"urgency"));
    record.subtotal = replyDouble(reply.item(L"subtotal"));
    record.tax = replyDouble(reply.item(L"tax"));
    record.total = replyDouble(reply.item(L"total"));
    record.nextPrice = replyDouble(reply.item(L"nextPrice"));
    record.nextQuantity = replyDouble(reply.item(L"nextQuantity"));
    return record;
}
