#pragma once
// Names and identities of the print engine's COM classes.
#include <windows.h>

#include "com/registration.h"
#include "engine_h.h"

namespace engine {

extern const GUID kAppId;             // {84BBBEE2-D418-11D5-8E15-0002B36229DD}
extern const wchar_t kAppName[];      // "KeloEngine"
extern const wchar_t kExeFileName[];  // "KeloEngine.EXE"

// Versioned ProgIDs: the source of the rich error information each class sets.
extern const wchar_t kDriverManagerSource[];
extern const wchar_t kPrintDriverSource[];
extern const wchar_t kPrintJobSource[];
extern const wchar_t kCollectionSource[];
extern const wchar_t kEnumeratorSource[];

// The five classes, in registration order.
extern const com::ClassInfo kClasses[5];

}  // namespace engine
