#include "engine_ids.h"

namespace engine {

const GUID kAppId = {0x84bbbee2, 0xd418, 0x11d5, {0x8e, 0x15, 0x00, 0x02, 0xb3, 0x62, 0x29, 0xdd}};
const wchar_t kAppName[] = L"KeloEngine";
const wchar_t kExeFileName[] = L"KeloEngine.EXE";

const wchar_t kDriverManagerSource[] = L"KeloEngine.DriverManager.1";
const wchar_t kPrintDriverSource[] = L"KeloEngine.PrintDriver.1";
const wchar_t kPrintJobSource[] = L"KeloEngine.PrintJob.1";
const wchar_t kCollectionSource[] = L"KeloEngine.keloReadOnlyCollection.1";
const wchar_t kEnumeratorSource[] = L"KeloEngine.CollectionEnumerator.1";

const com::ClassInfo kClasses[5] = {
    {CLSID_PrintDriver, L"PrintDriver Class", L"KeloEngine.PrintDriver", kPrintDriverSource, LIBID_keloPrintEngine},
    {CLSID_PrintJob, L"PrintJob Class", L"KeloEngine.PrintJob", kPrintJobSource, LIBID_keloPrintEngine},
    {CLSID_keloReadOnlyCollection, L"keloReadOnlyCollection Class", L"KeloEngine.keloReadOnlyCollection",
     kCollectionSource, LIBID_keloPrintEngine},
    {CLSID_CollectionEnumerator, L"CollectionEnumerator Class", L"KeloEngine.CollectionEnumerator", kEnumeratorSource,
     LIBID_keloPrintEngine},
    {CLSID_DriverManager, L"DriverManager Class", L"KeloEngine.DriverManager", kDriverManagerSource,
     LIBID_keloPrintEngine},
};

}  // namespace engine
