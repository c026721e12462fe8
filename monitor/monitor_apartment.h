#pragma once
// The monitor's threads share the process's multithreaded apartment. The engine object
// a port keeps for a document lives there, so that any spooler thread may carry on the
// document, and nobody enters and leaves COM on every call.
#include <windows.h>

// Called when the spooler initialises the monitor: a thread of the monitor's joins the
// multithreaded apartment and stays in it for the rest of the process, so that the
// apartment and what the ports keep in it outlive any spooler thread that ends. One
// such thread per process, however often the monitor is loaded. A failure is logged;
// the calling threads then hold the apartment themselves.
void keepMonitorApartment();

// Called at the start of every port operation: the calling thread joins the
// multithreaded apartment on its first call and stays. A thread that the spooler put in
// a single-threaded apartment stays in that one. True when the thread is in the
// multithreaded apartment.
bool joinMonitorApartment();
