#pragma once
// Registration of COM classes, application ids and the module's own type library
// under HKEY_CLASSES_ROOT.
#include <windows.h>

#include <string>

namespace com {

struct ClassInfo {
    CLSID clsid;
    const wchar_t* description;      // "DriverManager Class"
    const wchar_t* progId;           // version independent: "KeloEngine.DriverManager"
    const wchar_t* versionedProgId;  // "KeloEngine.DriverManager.1"
    GUID typeLib;
};

std::wstring guidText(const GUID& guid);  // "{84BBBEE1-D418-...}"

// ProgID keys (versioned and version independent with CurVer) and the CLSID key with
// ProgID, VersionIndependentProgID, Programmable and TypeLib.
// A local server adds LocalServer32 (the quoted path) and the AppID value.
HRESULT registerLocalServerClass(const ClassInfo& info, const std::wstring& exePath, const GUID& appId);
// An in-process server adds InprocServer32 with its threading model; the class key is
// removed first so that nothing of an older registration stays.
HRESULT registerInprocServerClass(const ClassInfo& info, const std::wstring& dllPath, const wchar_t* threadingModel);
// Removes the ProgID keys and the class's key below CLSID.
HRESULT unregisterClass(const ClassInfo& info);

// AppID\{appId} named `name`, and AppID\<exeFileName> pointing to it.
HRESULT registerAppId(const GUID& appId, const wchar_t* name, const wchar_t* exeFileName);
HRESULT unregisterAppId(const GUID& appId, const wchar_t* exeFileName);

// The type library embedded in this module.
HRESULT registerModuleTypeLib();
HRESULT unregisterModuleTypeLib();

// Deletes a key with all its subkeys; a key that does not exist is not an error.
LONG deleteKeyTree(HKEY root, const std::wstring& path);

}  // namespace com
