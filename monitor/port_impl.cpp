#include "port_impl.h"

#include "bstr.h"
#include "com_apartment.h"
#include "debug_log.h"
#include "engine_binding.h"
#include "failure_log.h"
#include "registry.h"
#include "registry_root.h"
#include "spooler_job.h"
#include "variant.h"

using Microsoft::WRL::ComPtr;

namespace {
const char kActiveValue[] = "active";
}  // namespace

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
    return runLogged("C_portImpl::open", kPortTexts, FALSE, [&] {
        if (isActive()) return FALSE;
        writeActive(1);
        return TRUE;
    });
}

BOOL C_portImpl::startDocPort(const std::wstring& printerName, DWORD jobId, DWORD, LPBYTE) {
    ComApartment apartment;
    return runLogged("C_portImpl::startDocPort", kPortTexts, FALSE, [&] {
        if (!isActive()) return FALSE;
        ComPtr<IDriverManager> engine = activateEngine("C_portImpl::startDocPort");
        if (!engine) return FALSE;
        long handle = 0;
        BStr printer(printerName);
        com::check(engine->splStartDoc(printer.get(), (long)jobId, &handle));
        // A file left by a job that was never ended must not take this job's bytes.
        m_outputFile.reset();
        m_jobHandle = handle;
        m_printerName = printerName;
        m_jobId = jobId;
        m_started = true;
        return TRUE;
    });
}

BOOL C_portImpl::writePort(const BYTE* buffer, DWORD size, LPDWORD written) {
    if (!written) return FALSE;
    *written = 0;
    ComApartment apartment;
    return runLogged("C_portImpl::writePort", kPortTexts, FALSE, [&] {
        // A running job goes on writing even when a refresh of the port list has reset
        // the port's "active" value meanwhile: only the next job is refused.
        if (!m_started) return FALSE;
        ComPtr<IDriverManager> engine = activateEngine("C_portImpl::writePort");
        if (!engine) return FALSE;
        if (m_outputFile) {
            // The engine only counts; what it answers does not matter for the bytes.
            BStr ignored;
            engine->splWritePrinter(m_jobHandle, (long)size, ignored.out());
        } else {
            BStr path;
            com::check(engine->splWritePrinter(m_jobHandle, (long)size, path.out()));
            if (path.empty()) {
                DebugLine() << "C_portImpl::writePort - the engine named no output file";
                return FALSE;
            }
            m_outputFile = createOutputFile(path.str());
        }
        *written = m_outputFile->write(buffer, size);
        return TRUE;
    });
}

BOOL C_portImpl::endDocPort() {
    ComApartment apartment;
    return runLogged("C_portImpl::endDocPort", kPortTexts, FALSE, [&] {
        m_outputFile.reset();
        // Only a running job is ended: the handle of an ended one may by now name
        // another job in the engine.
        if (!std::exchange(m_started, false)) return TRUE;
        long handle = std::exchange(m_jobHandle, 0);
        ComPtr<IDriverManager> engine = activateEngine("C_portImpl::endDocPort");
        if (!engine) return TRUE;
        // A document cancelled in the spooler is incomplete: the engine drops it.
        if (spoolerJobCancelled(m_printerName, m_jobId))
            com::check(engine->splAbort(handle));
        else
            com::check(engine->splEndDoc(handle));
        com::check(engine->splClose(handle));
        return TRUE;
    });
}

BOOL C_portImpl::closePort() {
    ComApartment apartment;
    runLogged("C_portImpl::closePort", kPortTexts, TRUE, [&] {
        // A job the spooler never ended leaves no file held open behind it.
        m_outputFile.reset();
        m_started = false;
        // A port whose key was deleted while it was open stays deleted.
        if (registryKeyExists(m_keyPath)) writeActive(0);
        return TRUE;
    });
    return TRUE;
}
