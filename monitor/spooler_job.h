#pragma once
// What the spooler says about the job a port is printing.
#include <windows.h>

#include <string>

// True when the spooler is deleting the job or has deleted it: the user cancelled the
// document while it printed, and the bytes the port received are not all of it. False
// when the job cannot be read.
bool spoolerJobCancelled(const std::wstring& printerName, DWORD jobId);
