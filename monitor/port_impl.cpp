#include "port_impl.h"

#include "bstr.h"
#include "debug_log.h"
#include "engine_binding.h"
#include "monitor_apartment.h"
#include "refusal.h"
#include "registry.h"
#include "registry_root.h"
#include "spooler_job.h"
#include "variant.h"

using Microsoft::WRL::ComPtr;

namespace {
const char kActiveValue[] = "active";
}  // namespace

const com::CatchTexts kPortTexts = {" BV catch{message}", " COM catch{hr}", " catch"};

C_portImpl::C_portImpl(const cSTRING& keyPath) : m_keyPath(keyPath) { writeActive(0); }

void C_portImpl::writeActive(long value) { setRegistryValue(m_keyPath, kActiveValue, Variant(value)); }

bool C_portImpl::isActive() const {
    if (m_keyPath.empty()) return false;
    long active = 0;
    auto failure = com::runCaught([&] {
        Variant value = getRegistryValue(m_keyPath, kActiveValue);
        active = value.vt == VT_I4 ? value.lVal : value.toLong();
    });
    return !failure && active != 0;
}

BOOL C_portImpl::open() {
    m_started = false;
    return com::runLogged("C_portImpl::open", kPortTexts, FALSE, [&] {
        if (isActive()) return refuse("C_portImpl::open", "the port is open already", ERROR_BUSY);
        writeActive(1);
        return TRUE;
    });
}

BOOL C_portImpl::startDocPort(const std::wstring& printerName, DWORD jobId, DWORD, LPBYTE) {
    bool multithreaded = joinMonitorApartment();
    return com::runLogged("C_portImpl::startDocPort", kPortTexts, FALSE, [&] {
        if (!isActive()) return refuse("C_portImpl::startDocPort", "the port is not open", ERROR_NOT_READY);
        // A document that was never ended leaves neither its file nor its engine to this one.
        m_outputFile.reset();
        m_started = m_engineLost = false;
        if (!m_engine.bind("C_portImpl::startDocPort", multithreaded))
            return refuse("C_portImpl::startDocPort", "no engine", RPC_S_SERVER_UNAVAILABLE);
        long handle = 0;
        BStr printer(printerName);
        ComPtr<IDriverManager> engine = m_engine.get("C_portImpl::startDocPort", multithreaded);
        HRESULT hr = engine->splStartDoc(printer.get(), (long)jobId, &handle);
        if (FAILED(hr)) {
            engine.Reset();
            m_engine.release();
            com::check(hr);
        }
        m_jobHandle = handle;
        m_printerName = printerName;
        m_jobId = jobId;
        m_started = true;
        return TRUE;
    });
}

BOOL C_portImpl::writePort(const BYTE* buffer, DWORD size, LPDWORD written) {
    if (!written) return refuse("C_portImpl::writePort", "no count to return", ERROR_INVALID_PARAMETER);
    *written = 0;
    bool multithreaded = joinMonitorApartment();
    return com::runLogged("C_portImpl::writePort", kPortTexts, FALSE, [&] {
        // A running job goes on writing even when a refresh of the port list has reset
        // the port's "active" value meanwhile: only the next job is refused.
        if (!m_started) return refuse("C_portImpl::writePort", "no document is started", ERROR_NOT_READY);
        if (m_engineLost) return refuseLostDocument("C_portImpl::writePort");
        ComPtr<IDriverManager> engine = m_engine.get("C_portImpl::writePort", multithreaded);
        if (!engine) return refuse("C_portImpl::writePort", "no engine", RPC_S_SERVER_UNAVAILABLE);
        HRESULT hr;
        if (m_outputFile) {
            // The engine only counts; what it answers does not matter for the bytes,
            // unless it is no longer there to close the job.
            BStr ignored;
            hr = engine->splWritePrinter(m_jobHandle, (long)size, ignored.out());
            if (com::isPeerGone(hr)) return loseEngine("C_portImpl::writePort", hr);
        } else {
            BStr path;
            hr = engine->splWritePrinter(m_jobHandle, (long)size, path.out());
            if (com::isPeerGone(hr)) return loseEngine("C_portImpl::writePort", hr);
            com::check(hr);
            if (path.empty())
                return refuse("C_portImpl::writePort", "the engine named no output file", ERROR_PATH_NOT_FOUND);
            m_outputFile = createOutputFile(path.str());
        }
        *written = m_outputFile->write(buffer, size);
        return TRUE;
    });
}

BOOL C_portImpl::endDocPort() {
    bool multithreaded = joinMonitorApartment();
    return com::runLogged("C_portImpl::endDocPort", kPortTexts, FALSE, [&] {
        m_outputFile.reset();
        // Only a running job is ended: the handle of an ended one may by now name
        // another job in the engine.
        if (!std::exchange(m_started, false)) return TRUE;
        long handle = std::exchange(m_jobHandle, 0);
        if (std::exchange(m_engineLost, false)) return refuseLostDocument("C_portImpl::endDocPort");
        ComPtr<IDriverManager> engine = m_engine.get("C_portImpl::endDocPort", multithreaded);
        if (!engine) {
            m_engine.release();
            return TRUE;
        }
        // A document cancelled in the spooler is incomplete: the engine drops it.
        HRESULT hr = spoolerJobCancelled(m_printerName, m_jobId) ? engine->splAbort(handle) : engine->splEndDoc(handle);
        if (SUCCEEDED(hr)) hr = engine->splClose(handle);
        if (com::isPeerGone(hr)) {
            loseEngine("C_portImpl::endDocPort", hr);
            m_engineLost = false;
            return FALSE;
        }
        engine.Reset();
        m_engine.release();
        com::check(hr);
        return TRUE;
    });
}

BOOL C_portImpl::closePort() {
    joinMonitorApartment();
    com::runLogged("C_portImpl::closePort", kPortTexts, TRUE, [&] {
        // A job the spooler never ended leaves no file held open behind it.
        m_outputFile.reset();
        m_started = m_engineLost = false;
        m_engine.release();
        // A port whose key was deleted while it was open stays deleted.
        if (registryKeyExists(m_keyPath)) writeActive(0);
        return TRUE;
    });
    return TRUE;
}

C_portImpl::~C_portImpl() {
    // The kept engine is released below, from a thread in COM.
    if (m_engine.bound()) joinMonitorApartment();
}

BOOL C_portImpl::loseEngine(const char* operation, HRESULT hr) {
    DebugLine() << operation << " - the engine has gone away (" << cSTRING::format("0x%x", (unsigned)hr).c_str()
                << "): the document fails";
    m_outputFile.reset();
    m_engine.release();
    m_engineLost = true;
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
}

BOOL C_portImpl::refuseLostDocument(const char* operation) {
    return refuse(operation, "the document's engine has gone away", RPC_S_SERVER_UNAVAILABLE);
}
