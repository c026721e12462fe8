#pragma once
// The web component as the client reaches it: KeloWeb's iWeb objects (in-process COM)
// and the Scripting.Dictionary objects its methods take and return. Failures throw
// _com_error with the component's or the dictionary's error information.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "com/script_dictionary.h"

#include "KeloWeb_h.h"

using Microsoft::WRL::ComPtr;

// A new iWeb object of the registered web component.
ComPtr<I_Web> createWebComponent();

// Server parameters going out and reply fields coming back are Scripting.Dictionary objects.
using com::ScriptDictionary;
