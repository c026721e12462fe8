#include "driver_handler.h"

#include "bstr.h"
#include "com/guard.h"
#include "debug_log.h"
#include "text_convert.h"

C_driverHandler::C_driverHandler()
    : m_notify(std::make_unique<Notifier>([this](Variant& ctx) { onNotify(ctx); })) {}

C_driverHandler::~C_driverHandler() {
    subscription_.end();
    userInformation_.reset();
    m_driver.Reset();
}

void C_driverHandler::setDriver(ComPtr<IPrintDriver> driver) {
    subscription_.end();
    m_driver = std::move(driver);
    printerName_.clear();
    if (!m_driver) return;
    BStr name;
    if (SUCCEEDED(m_driver->get_printerName(name.out()))) printerName_ = name.str();
    auto sink = com::make<com::EventSink>(DIID__IPrintDriverEvents,
                                          [this](DISPID event, DISPPARAMS* params) { return onEvent(event, params); });
    com::check(subscription_.begin(m_driver.Get(), DIID__IPrintDriverEvents, sink->identity()));
}

std::wstring C_driverHandler::KeloHost() const {
    if (!m_driver) return L"";
    Variant host;
    com::check(m_driver->getDriverData(BStr(L"keloServerIp").get(), host.out()));
    return host.toString();
}

void C_driverHandler::jobChangeStat() { m_notify->issueCall(nullptr, 1); }

HRESULT C_driverHandler::onEvent(DISPID event, DISPPARAMS* params) {
    if (event != 1) return S_OK;  // onNewPrintJob
    const VARIANT* job = com::eventArgument(params, 0);
    onNewPrintJob(job && job->vt == VT_DISPATCH ? job->pdispVal : nullptr);
    return S_OK;
}

void C_driverHandler::onNewPrintJob(IDispatch* newJob) {
    ++newJobEvents_;
    long jobId = 0;
    ComPtr<IPrintJob> job;
    if (newJob && SUCCEEDED(newJob->QueryInterface(IID_IPrintJob, reinterpret_cast<void**>(job.GetAddressOf()))))
        job->get_jobId(&jobId);
    DebugLine() << "C_driverHandler - new print job " << jobId << " on " << toAnsi(printerName_);
}

void C_driverHandler::onNotify(Variant&) {}
