#pragma once
// A print monitor for the stand-in's tests. Its settings live under the registry root
// the spooler hands it (below HKEY_LOCAL_MACHINE):
//   Ports        REG_MULTI_SZ  the ports it lists (default LABPORT0)
//   OutputFolder REG_SZ        where <port>.out receives each document's bytes and
//                              <port>.journal one line per call
//   Fail         REG_SZ        the call that returns FALSE (last error 21), e.g. WritePort
//   MaxWrite     REG_DWORD     the most bytes one WritePort takes (partial writes)
//   Rendezvous   REG_DWORD     the first WritePort of a document waits (up to 10 s) until
//                              this many documents are inside WritePort at once; it fails
//                              with last error 1460 when they never are
#include <windows.h>

#include <string>
#include <vector>

namespace testmonitor {

void initialize(const std::wstring& registryRoot);
std::vector<std::wstring> ports();
// Fails (last error 21) when the named call is the configured failure.
bool failing(const wchar_t* call);

BOOL openPort(const std::wstring& name, PHANDLE port);
BOOL startDocPort(HANDLE port, const std::wstring& printer, DWORD jobId, DWORD level, const std::wstring& documentName);
BOOL writePort(HANDLE port, const BYTE* buffer, DWORD size, LPDWORD written);
BOOL endDocPort(HANDLE port);
BOOL closePort(HANDLE port);

// Packs port names as PORT_INFO_1 records (structures first, strings from the end).
template <typename Char, typename Info>
BOOL packPorts(const std::vector<std::basic_string<Char>>& names, LPBYTE buffer, DWORD size, LPDWORD needed,
               LPDWORD returned) {
    DWORD total = 0;
    for (const auto& name : names) total += sizeof(Info) + (DWORD)((name.size() + 1) * sizeof(Char));
    *needed = total;
    *returned = 0;
    if (size < total || !buffer) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    Info* info = (Info*)buffer;
    LPBYTE strings = buffer + size;
    for (const auto& name : names) {
        strings -= (name.size() + 1) * sizeof(Char);
        memcpy(strings, name.c_str(), (name.size() + 1) * sizeof(Char));
        info->pName = (Char*)strings;
        info++;
    }
    *returned = (DWORD)names.size();
    return TRUE;
}

}  // namespace testmonitor
