#pragma once
// Dispatch ids of the web component's events (KeloWeb.idl).
#include <windows.h>

enum WebEvent : DISPID {
    kFileUploadProgress = 1,
};
