#pragma once
// The print engine as the port sees it: its DriverManager, activated anew at the start
// of every document (a restarted engine is picked up by the next document) and kept
// for that document's writes and its end.
#include <windows.h>
#include <wrl/client.h>

#include "engine_h.h"

// The class context the engine is activated with: in-process server and handler,
// local and remote server.
constexpr DWORD kEngineClassContext =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// Creates a DriverManager, puts it into the running state and asks for IDriverManager.
// Null when the engine is not reachable; the reason goes to the debug log with the
// caller's name. The calling thread must be in a COM apartment.
Microsoft::WRL::ComPtr<IDriverManager> activateEngine(const char* caller);

// The engine object of one document, kept from its start to its end. The spooler may
// carry a document on on several threads: every thread in the monitor's multithreaded
// apartment uses the kept object. A thread in a single-threaded apartment binds the
// engine anew for each of its calls, as an object of another apartment must not be
// used there.
class DocumentEngine {
public:
    DocumentEngine() = default;
    ~DocumentEngine() = default;
    DocumentEngine(const DocumentEngine&) = delete;
    DocumentEngine& operator=(const DocumentEngine&) = delete;

    // Activates the engine and keeps it; false (logged) when it is not reachable.
    // inMultithreadedApartment tells where the calling thread is.
    bool bind(const char* caller, bool inMultithreadedApartment);
    bool bound() const { return m_bound; }
    // The engine for the calling thread; null (logged) when it is not reachable.
    Microsoft::WRL::ComPtr<IDriverManager> get(const char* caller, bool inMultithreadedApartment) const;
    void release();

private:
    Microsoft::WRL::ComPtr<IDriverManager> m_engine;
    bool m_bound = false;
    DWORD m_apartmentThread = 0;  // the thread of the single-threaded apartment it was bound in
};
