#pragma once
// The monitor's threads share the process's multithreaded apartment. The engine object
// a port keeps for a document lives there, so that any spooler thread may carry on the
// document, and nobody enters and leaves COM on every call.
#include <windows.h>

// Called at the start of every port operation: the calling thread joins the
// multithreaded apartment on its first call and stays in it for its life, which keeps
// the apartment, and the engine objects the ports keep in it, alive between calls. A
// thread that the spooler put in a single-threaded apartment stays in that one. True
// when the thread is in the multithreaded apartment.
bool joinMonitorApartment();
