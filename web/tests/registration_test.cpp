// KeloWeb.dll as a COM server: its registration, its type library and the interfaces
// every iWeb object answers.
#include "component_fixture.h"

#include "bstr.h"
#include "com/registration.h"

#include <olectl.h>
#include "lab_registry.h"
#include "lab_text.h"

#include <iterator>
#include <thread>

using namespace webtest;

namespace {

const GUID kLibId = {0x1B96F9E7, 0x16AC, 0x4ABF, {0xAB, 0x29, 0x6D, 0x82, 0x90, 0x65, 0x15, 0x03}};
const GUID kScriptingLibId = {0x420B2830, 0xE718, 0x11CF, {0x89, 0x3D, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

std::wstring defaultValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    LONG status = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? value : L"<missing>";
}

bool keyExists(const std::wstring& key) { return lab::captureRegistryTree(HKEY_CLASSES_ROOT, key).exists; }

class Registration : public WebTest {};

}  // namespace

TEST_F(Registration, ClassAndProgIdKeysNameTheDllWithBothThreadingModels) {
    const std::wstring clsid = L"CLSID\\{452A5491-A466-401B-9430-441A23E7E6B2}";
    EXPECT_EQ(L"iWeb Class", defaultValue(clsid));
    EXPECT_EQ(L"KeloWeb.iWeb.1", defaultValue(clsid + L"\\ProgID"));
    EXPECT_EQ(L"KeloWeb.iWeb", defaultValue(clsid + L"\\VersionIndependentProgID"));
    EXPECT_TRUE(keyExists(clsid + L"\\Programmable"));
    EXPECT_EQ(L"{1B96F9E7-16AC-4ABF-AB29-6D8290651503}", defaultValue(clsid + L"\\TypeLib"));
    EXPECT_EQ(m_registration->path(), defaultValue(clsid + L"\\InprocServer32"));
    EXPECT_EQ(L"Both", defaultValue(clsid + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(L"{452A5491-A466-401B-9430-441A23E7E6B2}", defaultValue(L"KeloWeb.iWeb\\CLSID"));
    EXPECT_EQ(L"KeloWeb.iWeb.1", defaultValue(L"KeloWeb.iWeb\\CurVer"));
    EXPECT_EQ(L"{452A5491-A466-401B-9430-441A23E7E6B2}", defaultValue(L"KeloWeb.iWeb.1\\CLSID"));

    CLSID byProgId = {};
    EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"KeloWeb.iWeb", &byProgId));
    EXPECT_TRUE(byProgId == __uuidof(iWeb));
}

TEST_F(Registration, UnregistrationRemovesEverythingAndRegistrationBringsItBack) {
    auto call = [&](const char* name) {
        auto function = (HRESULT(STDAPICALLTYPE*)())(void*)GetProcAddress(m_registration->module(), name);
        return function ? function() : E_NOINTERFACE;
    };
    m_web.Reset();
    m_events.end();
    EXPECT_HRESULT_SUCCEEDED(call("DllUnregisterServer"));
    for (const std::wstring& key : RegisteredKeloWeb::touchedKeys()) EXPECT_FALSE(keyExists(key)) << lab::toUtf8(key);
    ComPtr<I_Web> none;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(__uuidof(iWeb), nullptr, CLSCTX_INPROC_SERVER, __uuidof(I_Web),
                                                    reinterpret_cast<void**>(none.GetAddressOf())));
    EXPECT_HRESULT_SUCCEEDED(call("DllRegisterServer"));
    EXPECT_HRESULT_SUCCEEDED(call("DllRegisterServer"));  // again, over itself
    EXPECT_EQ(L"Both",
              defaultValue(L"CLSID\\{452A5491-A466-401B-9430-441A23E7E6B2}\\InprocServer32", L"ThreadingModel"));
    m_web = createWeb();
    EXPECT_TRUE(m_web);
}

// What a page's script relies on and no other test would notice if the IDL compiler got
// it wrong: the two properties read as properties, and the id of the progress event.
TEST_F(Registration, MembersScriptClientsRelyOn) {
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(kLibId, 1, 0, 0x409, &library));
    const ScriptMember members[] = {
        {&__uuidof(I_Web), L"connected", INVOKE_PROPERTYGET, 4, 0},
        {&__uuidof(I_Web), L"Session", INVOKE_PROPERTYGET, 11, 0},
        {&__uuidof(_IWebEvents), L"fileUploadProgress", INVOKE_FUNC, 1, 0},
    };
    expectScriptMembers(library.Get(), members, std::size(members));
}

TEST_F(Registration, DictionaryParametersReferToTheScriptingRuntimesIDictionary) {
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(kLibId, 1, 0, 0x409, &library));
    ComPtr<ITypeInfo> web;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(__uuidof(I_Web), &web));
    // connect's fourth parameter.
    ComPtr<ITypeComp> compiler;
    FUNCDESC* function = nullptr;
    for (WORD i = 0; !function; i++) {
        FUNCDESC* candidate = nullptr;
        ASSERT_HRESULT_SUCCEEDED(web->GetFuncDesc(i, &candidate));
        if (candidate->memid == 1)
            function = candidate;
        else
            web->ReleaseFuncDesc(candidate);
    }
    ASSERT_GE(function->cParams, 4);
    TYPEDESC parameter = function->lprgelemdescParam[3].tdesc;
    ASSERT_EQ(VT_PTR, parameter.vt);
    ASSERT_EQ(VT_USERDEFINED, parameter.lptdesc->vt);
    ComPtr<ITypeInfo> dictionary;
    ASSERT_HRESULT_SUCCEEDED(web->GetRefTypeInfo(parameter.lptdesc->hreftype, &dictionary));
    web->ReleaseFuncDesc(function);

    TYPEATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(dictionary->GetTypeAttr(&attributes));
    EXPECT_TRUE(attributes->guid == __uuidof(IDictionary));
    dictionary->ReleaseTypeAttr(attributes);
    ComPtr<ITypeLib> container;
    UINT index = 0;
    ASSERT_HRESULT_SUCCEEDED(dictionary->GetContainingTypeLib(&container, &index));
    TLIBATTR* libraryAttributes = nullptr;
    container->GetLibAttr(&libraryAttributes);
    EXPECT_TRUE(libraryAttributes->guid == kScriptingLibId);
    container->ReleaseTLibAttr(libraryAttributes);
}

TEST_F(Registration, ObjectsAnswerDispatchErrorInfoEventsAndTheFreeThreadedMarshaler) {
    ComPtr<IDispatch> dispatch;
    EXPECT_HRESULT_SUCCEEDED(m_web.As(&dispatch));
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_HRESULT_SUCCEEDED(m_web.As(&errorInfo));
    EXPECT_EQ(S_OK, errorInfo->InterfaceSupportsErrorInfo(__uuidof(I_Web)));
    EXPECT_EQ(S_FALSE, errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch));
    ComPtr<IMarshal> marshal;
    ASSERT_HRESULT_SUCCEEDED(m_web.As(&marshal));
    CLSID unmarshaler = {};
    EXPECT_HRESULT_SUCCEEDED(marshal->GetUnmarshalClass(__uuidof(I_Web), m_web.Get(), MSHCTX_INPROC, nullptr,
                                                        MSHLFLAGS_NORMAL, &unmarshaler));
    ComPtr<IConnectionPointContainer> container;
    ASSERT_HRESULT_SUCCEEDED(m_web.As(&container));
    ComPtr<IConnectionPoint> point;
    EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(__uuidof(_IWebEvents), &point));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(__uuidof(I_Web), &point));
    ComPtr<IUnknown> other;
    EXPECT_EQ(E_NOINTERFACE, m_web->QueryInterface(IID_IPersist, reinterpret_cast<void**>(other.GetAddressOf())));

    // The same object from another apartment is the object itself.
    ComPtr<IStream> stream;
    ASSERT_HRESULT_SUCCEEDED(CoMarshalInterThreadInterfaceInStream(__uuidof(I_Web), m_web.Get(), &stream));
    I_Web* fromWorker = nullptr;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoGetInterfaceAndReleaseStream(stream.Get(), __uuidof(I_Web), reinterpret_cast<void**>(&fromWorker));
        CoUninitialize();
    });
    worker.join();
    stream.Detach();
    EXPECT_EQ(m_web.Get(), fromWorker);
    if (fromWorker) fromWorker->Release();
}

TEST_F(Registration, MethodsAreReachableByNameThroughIDispatch) {
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(m_web.As(&dispatch));
    LPOLESTR name = const_cast<LPOLESTR>(L"urlEncode");
    DISPID id = -1;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    EXPECT_EQ(9, id);
    Variant argument(L"a b&c");
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    Variant result;
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result.out(), nullptr, nullptr));
    EXPECT_EQ(L"a+b%26c", result.toString());

    // Failures arrive with their description in the exception information.
    name = const_cast<LPOLESTR>(L"command");
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    Variant commandArguments[2] = {Variant((IDispatch*)nullptr), Variant(L"getJobTypes")};
    DISPPARAMS commandParams = {commandArguments, nullptr, 2, 0};
    EXCEPINFO exception = {};
    EXPECT_EQ(DISP_E_EXCEPTION,
              dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &commandParams, result.out(), &exception, nullptr));
    EXPECT_EQ(L"C_serverConnection::serverCommand - not connected to host",
              BStr::attach(exception.bstrDescription).str());
    EXPECT_EQ(L"KeloWeb.iWeb.1", BStr::attach(exception.bstrSource).str());
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(Registration, TheModuleStaysLoadedWhileObjectsLive) {
    auto canUnload = (HRESULT(STDAPICALLTYPE*)())(void*)GetProcAddress(m_registration->module(), "DllCanUnloadNow");
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(S_FALSE, canUnload());
    m_events.end();
    m_web.Reset();
    EXPECT_EQ(S_OK, canUnload());
}
