#include "mta2sta.h"

#include "debug_log.h"
#include "error_msg.h"

using Microsoft::WRL::ComPtr;

namespace {
ComPtr<IGlobalInterfaceTable> globalInterfaceTable() {
    ComPtr<IGlobalInterfaceTable> table;
    HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_ALL, IID_IGlobalInterfaceTable,
                                  reinterpret_cast<void**>(table.GetAddressOf()));
    if (FAILED(hr)) throw cERROR_MSG(BV_ERR_GENERAL, "tMTA2STA: Cannot get GIT(0x%lx)", (unsigned long)hr);
    return table;
}
}  // namespace

namespace git {
DWORD registerInterface(IUnknown* pointer, REFIID iid) {
    DWORD cookie = 0;
    HRESULT hr = globalInterfaceTable()->RegisterInterfaceInGlobal(pointer, iid, &cookie);
    if (FAILED(hr))
        throw cERROR_MSG(BV_ERR_GENERAL, "tMTA2STA: Cannot register interface in GIT(0x%lx)", (unsigned long)hr);
    return cookie;
}

void revokeInterface(DWORD cookie) {
    HRESULT hr = E_FAIL;
    try {
        hr = globalInterfaceTable()->RevokeInterfaceFromGlobal(cookie);
    } catch (const cERROR_MSG& error) {
        DebugLine() << error.message;
        return;
    }
    if (FAILED(hr)) DebugLine() << "**tMTA2STA: Cannot revoke interface(0x" << std::hex << (unsigned long)hr << ")";
}

void* getInterface(DWORD cookie, REFIID iid) {
    if (!cookie) throw cERROR_MSG(BV_ERR_GENERAL, "*tMTA2STA: No interface marshaled");
    void* pointer = nullptr;
    HRESULT hr = globalInterfaceTable()->GetInterfaceFromGlobal(cookie, iid, &pointer);
    if (FAILED(hr))
        throw cERROR_MSG(BV_ERR_GENERAL, "tMTA2STA: Cannot get interface form GIT(0x%lx)", (unsigned long)hr);
    return pointer;
}
}  // namespace git
