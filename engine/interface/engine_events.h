#pragma once
// Dispatch ids of the engine's events (engine.idl): the engine fires them, the client
// tells them apart by them.
#include <windows.h>

enum PrintDriverEvent : DISPID {
    kOnNewPrintJob = 1,
};

enum PrintJobEvent : DISPID {
    kOnStartPage = 1,
    kOnEndPage = 2,
    kOnEndDoc = 3,
    kOnCloseDoc = 4,
    kOnAbort = 5,
    kOnWritePrinter = 6,
};
