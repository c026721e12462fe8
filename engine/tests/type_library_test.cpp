// The engine's type library as clients compiled against it see it: names, dispatch ids,
// slots, attributes, defaults and help strings.
#include "bstr.h"
#include "com/typelib_dispatch.h"
#include "engine_h.h"
#include "engine_test_support.h"

#include <string>
#include <vector>

using namespace enginetest;

namespace {

const WORD kRestrictedHidden = FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN;

struct Member {
    const wchar_t* name;
    MEMBERID id;
    INVOKEKIND kind;
    WORD flags;
    std::vector<std::wstring> names;  // the member's name, then its named parameters
};

std::wstring helpString(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    BStr name, help;
    EXPECT_HRESULT_SUCCEEDED(info->GetDocumentation(id, name.out(), help.out(), nullptr, nullptr));
    return help.str();
}

std::wstring typeName(ITypeInfo* info) {
    BStr name;
    EXPECT_HRESULT_SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr));
    return name.str();
}

std::vector<std::wstring> memberNames(ITypeInfo* info, MEMBERID id) {
    BSTR names[8] = {};
    UINT count = 0;
    EXPECT_HRESULT_SUCCEEDED(info->GetNames(id, names, 8, &count));
    std::vector<std::wstring> result;
    for (UINT i = 0; i < count; ++i) result.push_back(BStr::attach(names[i]).str());
    return result;
}

ComPtr<ITypeInfo> typeInfoOf(REFGUID guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_HRESULT_SUCCEEDED(com::moduleTypeLib()->GetTypeInfoOfGuid(guid, &info));
    return info;
}

// The vtable (TKIND_INTERFACE) side of a dual interface.
ComPtr<ITypeInfo> vtableSide(ITypeInfo* dispatchSide) {
    HREFTYPE ref = 0;
    ComPtr<ITypeInfo> info;
    EXPECT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeOfImplType(-1, &ref));
    EXPECT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeInfo(ref, &info));
    return info;
}

// Checks a dual interface member by member in slot order.
void expectDualInterface(REFIID iid, const wchar_t* name, const std::vector<Member>& members) {
    SCOPED_TRACE(testing::Message() << "interface " << name);
    ComPtr<ITypeInfo> dispatchSide = typeInfoOf(iid);
    ASSERT_TRUE(dispatchSide);
    TYPEATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDISPATCHABLE);
    dispatchSide->ReleaseTypeAttr(attr);
    EXPECT_EQ(name, typeName(dispatchSide.Get()));
    EXPECT_EQ(std::wstring(name) + L" Interface", helpString(dispatchSide.Get()));

    ComPtr<ITypeInfo> info = vtableSide(dispatchSide.Get());
    ASSERT_TRUE(info);
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION) << std::hex << attr->wTypeFlags;
    ASSERT_EQ(members.size(), attr->cFuncs) << "members of " << name;
    info->ReleaseTypeAttr(attr);

    for (UINT slot = 0; slot < members.size(); ++slot) {
        const Member& expected = members[slot];
        FUNCDESC* func = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(slot, &func));
        std::vector<std::wstring> names = memberNames(info.Get(), func->memid);
        EXPECT_EQ(expected.name, names.empty() ? L"" : names[0]) << "slot " << slot + 1;
        EXPECT_EQ(expected.id, func->memid) << "slot " << slot + 1;
        EXPECT_EQ(expected.kind, func->invkind) << "slot " << slot + 1;
        EXPECT_EQ(expected.flags, func->wFuncFlags & kRestrictedHidden) << "slot " << slot + 1;
        // Slots follow the seven methods of IDispatch.
        EXPECT_EQ((SHORT)((7 + slot) * sizeof(void*)), func->oVft) << "slot " << slot + 1;
        if (expected.kind == INVOKE_PROPERTYPUT) {
            // Declared without a name; Wine's GetNames makes one up for it.
            EXPECT_EQ(1, func->cParams) << "slot " << slot + 1;
            EXPECT_EQ(expected.name, names.empty() ? L"" : names[0]) << "slot " << slot + 1;
        } else {
            EXPECT_EQ(expected.names, names) << "slot " << slot + 1;
        }
        info->ReleaseFuncDesc(func);
    }
}

}  // namespace

TEST(TypeLibrary, IsKeloPrintEngineVersionOne) {
    ComPtr<ITypeLib> library = com::moduleTypeLib();
    TLIBATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(LIBID_keloPrintEngine, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    library->ReleaseTLibAttr(attr);
    BStr name, help;
    ASSERT_HRESULT_SUCCEEDED(library->GetDocumentation(-1, name.out(), help.out(), nullptr, nullptr));
    EXPECT_EQ(L"keloPrintEngine", name.str());
    EXPECT_EQ(L"Kelo Printing Engine 1.0", help.str());
}

TEST(TypeLibrary, ReadOnlyCollectionMembers) {
    expectDualInterface(IID_IReadOnlyCollection, L"IReadOnlyCollection",
                        {{L"Item", 0, INVOKE_FUNC, 0, {L"Item", L"index", L"pVal"}},
                         {L"_NewEnum", -4, INVOKE_PROPERTYGET, FUNCFLAG_FRESTRICTED, {L"_NewEnum", L"pVal"}},
                         {L"Count", 1, INVOKE_PROPERTYGET, 0, {L"Count", L"pVal"}}});
}

TEST(TypeLibrary, PrintDriverMembers) {
    expectDualInterface(IID_IPrintDriver, L"IPrintDriver",
                        {{L"getDriverData", 1, INVOKE_FUNC, 0, {L"getDriverData", L"keyName", L"value"}},
                         {L"printerName", 2, INVOKE_PROPERTYGET, 0, {L"printerName", L"pVal"}},
                         {L"printerDescription", 3, INVOKE_PROPERTYGET, 0, {L"printerDescription", L"pVal"}},
                         {L"printerComment", 4, INVOKE_PROPERTYGET, 0, {L"printerComment", L"pVal"}},
                         {L"driverDataPath", 5, INVOKE_PROPERTYGET, 0, {L"driverDataPath", L"pVal"}},
                         {L"printJobs", 6, INVOKE_PROPERTYGET, 0, {L"printJobs", L"pVal"}},
                         {L"Id", 7, INVOKE_PROPERTYGET, 0, {L"Id", L"pVal"}},
                         {L"jobsPath", 8, INVOKE_PROPERTYGET, 0, {L"jobsPath", L"pVal"}}});
}

TEST(TypeLibrary, PrintJobMembers) {
    auto get = [](const wchar_t* name, MEMBERID id) {
        return Member{name, id, INVOKE_PROPERTYGET, 0, {name, L"pVal"}};
    };
    auto put = [](const wchar_t* name, MEMBERID id) { return Member{name, id, INVOKE_PROPERTYPUT, 0, {name}}; };
    expectDualInterface(
        IID_IPrintJob, L"IPrintJob",
        {get(L"Name", 0), get(L"jobId", 1), get(L"State", 2), get(L"Driver", 3), get(L"Copies", 4), put(L"Copies", 4),
         get(L"Pages", 5), put(L"Pages", 5), get(L"pageWidth", 6), put(L"pageWidth", 6), get(L"pageHeight", 7),
         put(L"pageHeight", 7), get(L"pageName", 8), put(L"pageName", 8), get(L"paramsOK", 9)});
}

TEST(TypeLibrary, DriverManagerMembersHideTheSpoolerMethods) {
    expectDualInterface(
        IID_IDriverManager, L"IDriverManager",
        {{L"getDriver", 1, INVOKE_FUNC, 0, {L"getDriver", L"printerName", L"pVal"}},
         {L"splStartDoc", 2, INVOKE_FUNC, kRestrictedHidden, {L"splStartDoc", L"printer", L"jobId", L"handle"}},
         {L"splEndDoc", 3, INVOKE_FUNC, kRestrictedHidden, {L"splEndDoc", L"handle"}},
         {L"splClose", 4, INVOKE_FUNC, kRestrictedHidden, {L"splClose", L"handle"}},
         {L"splStartPage", 5, INVOKE_FUNC, kRestrictedHidden, {L"splStartPage", L"handle", L"result"}},
         {L"splEndPage", 6, INVOKE_FUNC, kRestrictedHidden, {L"splEndPage", L"handle", L"result"}},
         {L"splAbort", 7, INVOKE_FUNC, kRestrictedHidden, {L"splAbort", L"handle"}},
         {L"enumPrinters", 8, INVOKE_FUNC, 0, {L"enumPrinters", L"printersArray"}},
         {L"splWritePrinter",
          9,
          INVOKE_FUNC,
          kRestrictedHidden,
          {L"splWritePrinter", L"handle", L"bufSize", L"toFile"}}});
}

TEST(TypeLibrary, GetDriverPrinterNameIsOptionalWithAnEmptyDefault) {
    ComPtr<ITypeInfo> info = vtableSide(typeInfoOf(IID_IDriverManager).Get());
    FUNCDESC* func = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(0, &func));
    ASSERT_EQ(2, func->cParams);
    const PARAMDESC& param = func->lprgelemdescParam[0].paramdesc;
    EXPECT_EQ(VT_BSTR, func->lprgelemdescParam[0].tdesc.vt);
    EXPECT_TRUE(param.wParamFlags & PARAMFLAG_FIN);
    EXPECT_TRUE(param.wParamFlags & PARAMFLAG_FOPT);
    ASSERT_TRUE(param.wParamFlags & PARAMFLAG_FHASDEFAULT);
    ASSERT_TRUE(param.pparamdescex);
    EXPECT_EQ(VT_BSTR, V_VT(&param.pparamdescex->varDefaultValue));
    EXPECT_EQ(0u, SysStringLen(V_BSTR(&param.pparamdescex->varDefaultValue)));
    EXPECT_TRUE(func->lprgelemdescParam[1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL);
    info->ReleaseFuncDesc(func);
}

TEST(TypeLibrary, EventInterfacesArePureDispatchInterfaces) {
    struct Event {
        MEMBERID id;
        std::vector<std::wstring> names;
        std::vector<VARTYPE> types;
    };
    auto expectEvents = [](REFIID iid, const wchar_t* name, const std::vector<Event>& events) {
        ComPtr<ITypeInfo> info = typeInfoOf(iid);
        ASSERT_TRUE(info);
        TYPEATTR* attr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
        EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
        EXPECT_FALSE(attr->wTypeFlags & TYPEFLAG_FDUAL);
        // IDispatch's own seven members come first.
        UINT own = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        EXPECT_EQ(name, typeName(info.Get()));
        EXPECT_EQ(std::wstring(name) + L" Interface", helpString(info.Get()));
        ASSERT_LE(events.size(), own);
        for (const Event& event : events) {
            EXPECT_EQ(event.names, memberNames(info.Get(), event.id));
            UINT index = 0;
            FUNCDESC* func = nullptr;
            bool found = false;
            for (index = 0; index < own && !found; ++index) {
                ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(index, &func));
                if (func->memid == event.id) {
                    found = true;
                    ASSERT_EQ(event.types.size(), (size_t)func->cParams);
                    for (size_t i = 0; i < event.types.size(); ++i)
                        EXPECT_EQ(event.types[i], func->lprgelemdescParam[i].tdesc.vt) << event.names[0];
                }
                info->ReleaseFuncDesc(func);
            }
            EXPECT_TRUE(found) << event.names[0];
        }
    };
    expectEvents(DIID__IPrintDriverEvents, L"_IPrintDriverEvents", {{1, {L"onNewPrintJob", L"newJob"}, {VT_PTR}}});
    expectEvents(DIID__IPrintJobEvents, L"_IPrintJobEvents",
                 {{1, {L"onStartPage", L"currPageCount"}, {VT_I4}},
                  {2, {L"onEndPage"}, {}},
                  {3, {L"onEndDoc"}, {}},
                  {4, {L"onCloseDoc", L"aborted", L"path"}, {VT_BOOL, VT_BSTR}},
                  {5, {L"onAbort"}, {}},
                  {6, {L"onWritePrinter", L"bufferSize"}, {VT_I4}}});
}

TEST(TypeLibrary, CoclassesNameTheirDefaultAndSourceInterfaces) {
    struct Coclass {
        const CLSID* clsid;
        const wchar_t* name;
        const IID* defaultInterface;
        const IID* source;
    };
    const Coclass classes[] = {
        {&CLSID_PrintDriver, L"PrintDriver", &IID_IPrintDriver, &DIID__IPrintDriverEvents},
        {&CLSID_PrintJob, L"PrintJob", &IID_IPrintJob, &DIID__IPrintJobEvents},
        {&CLSID_keloReadOnlyCollection, L"keloReadOnlyCollection", &IID_IReadOnlyCollection, nullptr},
        {&CLSID_CollectionEnumerator, L"CollectionEnumerator", &IID_IEnumVARIANT, nullptr},
        {&CLSID_DriverManager, L"DriverManager", &IID_IDriverManager, nullptr},
    };
    for (const Coclass& expected : classes) {
        ComPtr<ITypeInfo> info = typeInfoOf(*expected.clsid);
        ASSERT_TRUE(info);
        EXPECT_EQ(expected.name, typeName(info.Get()));
        EXPECT_EQ(std::wstring(expected.name) + L" Class", helpString(info.Get()));
        TYPEATTR* attr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
        EXPECT_EQ(TKIND_COCLASS, attr->typekind);
        EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FCANCREATE);
        UINT implemented = attr->cImplTypes;
        info->ReleaseTypeAttr(attr);
        EXPECT_EQ(expected.source ? 2u : 1u, implemented);
        for (UINT i = 0; i < implemented; ++i) {
            INT flags = 0;
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> interfaceInfo;
            ASSERT_HRESULT_SUCCEEDED(info->GetImplTypeFlags(i, &flags));
            ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeOfImplType(i, &ref));
            ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeInfo(ref, &interfaceInfo));
            TYPEATTR* interfaceAttr = nullptr;
            ASSERT_HRESULT_SUCCEEDED(interfaceInfo->GetTypeAttr(&interfaceAttr));
            const IID* wanted = (flags & IMPLTYPEFLAG_FSOURCE) ? expected.source : expected.defaultInterface;
            ASSERT_TRUE(wanted);
            EXPECT_TRUE(IsEqualGUID(*wanted, interfaceAttr->guid)) << typeName(interfaceInfo.Get());
            EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
            interfaceInfo->ReleaseTypeAttr(interfaceAttr);
        }
    }
}

TEST(TypeLibrary, JobStatesEnumeration) {
    ComPtr<ITypeLib> library = com::moduleTypeLib();
    ComPtr<ITypeInfo> info;
    MEMBERID id = 0;
    USHORT found = 1;
    wchar_t name[] = L"jobStates";
    ASSERT_HRESULT_SUCCEEDED(library->FindName(name, 0, &info, &id, &found));
    ASSERT_EQ(1, found);
    TYPEATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
    if (attr->typekind == TKIND_ALIAS) {  // a typedef names the enumeration
        HREFTYPE ref = attr->tdescAlias.hreftype;
        info->ReleaseTypeAttr(attr);
        ComPtr<ITypeInfo> aliased;
        ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeInfo(ref, &aliased));
        info = aliased;
        ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attr));
    }
    EXPECT_EQ(TKIND_ENUM, attr->typekind);
    ASSERT_EQ(6, attr->cVars);
    info->ReleaseTypeAttr(attr);
    const wchar_t* names[] = {L"jobStartDoc", L"jobStartPage", L"jobEndPage",
                              L"jobEndDoc",   L"jobAbort",     L"jobCloseDoc"};
    for (UINT i = 0; i < 6; ++i) {
        VARDESC* var = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetVarDesc(i, &var));
        EXPECT_EQ(std::vector<std::wstring>{names[i]}, memberNames(info.Get(), var->memid));
        EXPECT_EQ((long)i, V_I4(var->lpvarValue));
        info->ReleaseVarDesc(var);
    }
}

// The typelib marshaler builds a stub for the base interface too: the base must be the
// real IDispatch, or no dual interface crosses a process boundary.
TEST(TypeLibrary, DualInterfacesDeriveFromIDispatch) {
    for (const IID* iid : {&IID_IReadOnlyCollection, &IID_IPrintDriver, &IID_IPrintJob, &IID_IDriverManager}) {
        ComPtr<ITypeInfo> info = vtableSide(typeInfoOf(*iid).Get());
        ASSERT_TRUE(info);
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> base;
        ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeOfImplType(0, &ref));
        ASSERT_HRESULT_SUCCEEDED(info->GetRefTypeInfo(ref, &base));
        TYPEATTR* attr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(base->GetTypeAttr(&attr));
        EXPECT_TRUE(IsEqualGUID(IID_IDispatch, attr->guid))
            << typeName(info.Get()) << " derives from " << typeName(base.Get());
        base->ReleaseTypeAttr(attr);
    }
}
