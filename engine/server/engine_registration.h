#pragma once
// The engine's entries under HKEY_CLASSES_ROOT: its application id, its five classes as
// a local server (this executable) and its type library.
#include <windows.h>

namespace engine {

HRESULT registerEngine();
// Removes what registerEngine writes; the AppID and CLSID parent keys stay.
HRESULT unregisterEngine();

}  // namespace engine
