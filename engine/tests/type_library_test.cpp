// What script clients rely on in the engine's type library and no other test would
// notice if the IDL compiler got it wrong: the default members and the enumerator, the
// event ids, and getDriver's optional printer name.
#include "com/typelib_dispatch.h"
#include "engine_h.h"
#include "engine_test_support.h"

#include <iterator>

using namespace enginetest;

namespace {

const ScriptMember kMembers[] = {
    {&IID_IReadOnlyCollection, L"Item", INVOKE_FUNC, DISPID_VALUE, 0},
    {&IID_IReadOnlyCollection, L"_NewEnum", INVOKE_PROPERTYGET, DISPID_NEWENUM, FUNCFLAG_FRESTRICTED},
    {&IID_IPrintJob, L"Name", INVOKE_PROPERTYGET, DISPID_VALUE, 0},
    {&IID_IDriverManager, L"getDriver", INVOKE_FUNC, 1, 0},
    {&IID_IDriverManager, L"enumPrinters", INVOKE_FUNC, 8, 0},
    {&DIID__IPrintDriverEvents, L"onNewPrintJob", INVOKE_FUNC, 1, 0},
    {&DIID__IPrintJobEvents, L"onStartPage", INVOKE_FUNC, 1, 0},
    {&DIID__IPrintJobEvents, L"onEndPage", INVOKE_FUNC, 2, 0},
    {&DIID__IPrintJobEvents, L"onEndDoc", INVOKE_FUNC, 3, 0},
    {&DIID__IPrintJobEvents, L"onCloseDoc", INVOKE_FUNC, 4, 0},
    {&DIID__IPrintJobEvents, L"onAbort", INVOKE_FUNC, 5, 0},
    {&DIID__IPrintJobEvents, L"onWritePrinter", INVOKE_FUNC, 6, 0},
};

}  // namespace

TEST(TypeLibrary, MembersScriptClientsRelyOn) {
    expectScriptMembers(com::moduleTypeLib().Get(), kMembers, std::size(kMembers));

    // getDriver's printer name may be left out; it is then empty. (Its flags show on the
    // vtable side of the dual interface, where getDriver is the first member.)
    ComPtr<ITypeInfo> dispatchSide, info;
    ASSERT_HRESULT_SUCCEEDED(com::moduleTypeLib()->GetTypeInfoOfGuid(IID_IDriverManager, &dispatchSide));
    HREFTYPE vtableSide = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeOfImplType(-1, &vtableSide));
    ASSERT_HRESULT_SUCCEEDED(dispatchSide->GetRefTypeInfo(vtableSide, &info));
    FUNCDESC* func = nullptr;
    ASSERT_HRESULT_SUCCEEDED(info->GetFuncDesc(0, &func));
    ASSERT_EQ(1, func->memid);
    const PARAMDESC& printer = func->lprgelemdescParam[0].paramdesc;
    EXPECT_TRUE(printer.wParamFlags & PARAMFLAG_FOPT);
    ASSERT_TRUE(printer.wParamFlags & PARAMFLAG_FHASDEFAULT);
    EXPECT_EQ(VT_BSTR, V_VT(&printer.pparamdescex->varDefaultValue));
    EXPECT_EQ(0u, SysStringLen(V_BSTR(&printer.pparamdescex->varDefaultValue)));
    info->ReleaseFuncDesc(func);
}
