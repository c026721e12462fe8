// KeloWeb.dll as a COM server, as a page's script reaches it: registration and the
// members the script relies on. (Use from other apartments and the module's life are
// proven on KeloReg.dll, whose objects are built the same way.)
#include "component_fixture.h"

#include <iterator>

#include "bstr.h"
#include "lab_registry.h"

using namespace webtest;

namespace {
const GUID kLibId = {0x1B96F9E7, 0x16AC, 0x4ABF, {0xAB, 0x29, 0x6D, 0x82, 0x90, 0x65, 0x15, 0x03}};
class Registration : public WebTest {};
}  // namespace

TEST_F(Registration, ProgIdsFindTheClassAndUnregistrationRemovesEverything) {
    for (const wchar_t* progId : {L"KeloWeb.iWeb", L"KeloWeb.iWeb.1"}) {
        CLSID byProgId = {};
        EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(progId, &byProgId));
        EXPECT_TRUE(byProgId == __uuidof(iWeb)) << lab::toUtf8(progId);
    }
    m_events.end();
    m_web.Reset();
    EXPECT_HRESULT_SUCCEEDED(callExport("DllUnregisterServer"));
    for (const std::wstring& key : kRegisteredKeys)
        EXPECT_FALSE(lab::captureRegistryTree(HKEY_CLASSES_ROOT, key).exists) << lab::toUtf8(key);
    EXPECT_HRESULT_SUCCEEDED(callExport("DllRegisterServer"));
}

// What a script relies on and no other test would notice if the IDL compiler got it
// wrong: the two properties read as properties, the id the progress event is fired
// with, and members reached by name, failures included.
TEST_F(Registration, ScriptsReachTheMembersByNameThroughIDispatch) {
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(kLibId, 1, 0, 0x409, &library));
    const ScriptMember members[] = {
        {&__uuidof(I_Web), L"connected", INVOKE_PROPERTYGET, 4, 0},
        {&__uuidof(I_Web), L"Session", INVOKE_PROPERTYGET, 11, 0},
        {&__uuidof(_IWebEvents), L"fileUploadProgress", INVOKE_FUNC, 1, 0},
    };
    expectScriptMembers(library.Get(), members, std::size(members));

    // A Scripting.Dictionary passes as the type library's IDictionary; the failure arrives
    // as exception information.
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(m_web.As(&dispatch));
    DISPID id = -1;
    LPOLESTR name = const_cast<LPOLESTR>(L"command");
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    TestDictionary parameters;
    Variant arguments[] = {Variant(parameters.get()), Variant(L"getJobTypes")}, result;  // last argument first
    DISPPARAMS params = {arguments, nullptr, 2, 0};
    EXCEPINFO exception = {};
    EXPECT_EQ(DISP_E_EXCEPTION,
              dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.out(), &exception, nullptr));
    EXPECT_EQ(L"KeloWeb.iWeb.1: C_serverConnection::serverCommand - not connected to host",
              BStr::attach(exception.bstrSource).str() + L": " + BStr::attach(exception.bstrDescription).str());
    SysFreeString(exception.bstrHelpFile);
}
