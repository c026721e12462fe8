#pragma once
// Class and interface ids of Microsoft XML 3.0 that mingw-w64 declares in <msxml2.h> but
// does not define in its uuid library; msxml_ids.cpp defines them.
#include <windows.h>
#include <msxml2.h>
