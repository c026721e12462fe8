// KeloWeb.dll as a COM server: its registration, its type library and the interfaces
// every iWeb object answers.
#include "component_fixture.h"

#include "bstr.h"
#include "com/registration.h"

#include <olectl.h>
#include "lab_registry.h"
#include "lab_text.h"

#include <map>
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

std::wstring docString(ITypeInfo* info, MEMBERID member, std::wstring* help = nullptr) {
    BStr name, helpString;
    info->GetDocumentation(member, name.out(), helpString.out(), nullptr, nullptr);
    if (help) *help = helpString.str();
    return name.str();
}

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

TEST_F(Registration, TheTypeLibraryDescribesTheInterfaceEventsAndEnumeration) {
    ComPtr<ITypeLib> library;
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(kLibId, 1, 0, 0x409, &library));
    BStr name, help;
    library->GetDocumentation(-1, name.out(), help.out(), nullptr, nullptr);
    EXPECT_EQ(L"KeloWeb", name.str());
    EXPECT_EQ(L"Kelo WEB Support", help.str());
    TLIBATTR* attributes = nullptr;
    ASSERT_HRESULT_SUCCEEDED(library->GetLibAttr(&attributes));
    EXPECT_EQ(0x409u, attributes->lcid);
    EXPECT_EQ(1, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    library->ReleaseTLibAttr(attributes);

    ComPtr<ITypeInfo> web;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(__uuidof(I_Web), &web));
    std::wstring helpString;
    EXPECT_EQ(L"I_Web", docString(web.Get(), -1, &helpString));
    EXPECT_EQ(L"I_Web Interface", helpString);
    TYPEATTR* type = nullptr;
    ASSERT_HRESULT_SUCCEEDED(web->GetTypeAttr(&type));
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FDUAL);
    WORD functions = type->cFuncs;
    web->ReleaseTypeAttr(type);

    std::map<MEMBERID, std::pair<std::wstring, std::wstring>> members;
    for (WORD i = 0; i < functions; i++) {
        FUNCDESC* function = nullptr;
        ASSERT_HRESULT_SUCCEEDED(web->GetFuncDesc(i, &function));
        std::wstring memberHelp;
        std::wstring memberName = docString(web.Get(), function->memid, &memberHelp);
        members[function->memid] = {memberName, memberHelp};
        web->ReleaseFuncDesc(function);
    }
    const std::map<MEMBERID, std::pair<std::wstring, std::wstring>> expected = {
        {1, {L"connect", L"method connect"}},
        {2, {L"disconnect", L"method disconnect"}},
        {3, {L"command", L"method command"}},
        {4, {L"connected", L"property connected"}},
        {5, {L"getRemotePicture", L"method getRemotePicture"}},
        {6, {L"startFileUpload", L"method startFileUpload"}},
        {7, {L"resumeFileUpload", L"method resumeFileUpload"}},
        {9, {L"urlEncode", L"method urlEncode"}},
        {10, {L"urlDecode", L"method urlDecode"}},
        {11, {L"Session", L"property Session"}},
        {12, {L"getUploadMessage", L"method getUploadMessage"}},
        {13, {L"downloadFile", L"method downloadFile"}},
        {14, {L"assignHTML", L"method assignHTML"}},
        {15, {L"getServerUrl", L"method getServerUrl"}},
        {16, {L"openUrlInBrowser", L"method openUrlInBrowser"}},
    };
    for (const auto& member : expected) {
        ASSERT_TRUE(members.count(member.first)) << member.first;
        EXPECT_EQ(member.second, members.at(member.first)) << member.first;
    }

    ComPtr<ITypeInfo> events;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(__uuidof(_IWebEvents), &events));
    EXPECT_EQ(L"_IWebEvents", docString(events.Get(), -1, &helpString));
    EXPECT_EQ(L"_IPrintDriverEvents Interface", helpString);
    EXPECT_EQ(L"fileUploadProgress", docString(events.Get(), 1));

    ComPtr<ITypeInfo> coclass;
    ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(__uuidof(iWeb), &coclass));
    EXPECT_EQ(L"iWeb", docString(coclass.Get(), -1, &helpString));
    EXPECT_EQ(L"iWeb Class", helpString);

    // The unused enumeration.
    std::map<std::wstring, long> enumeration;
    for (UINT i = 0; i < library->GetTypeInfoCount(); i++) {
        ComPtr<ITypeInfo> info;
        library->GetTypeInfo(i, &info);
        if (docString(info.Get(), -1) != L"E_serverFileStatus") continue;
        TYPEATTR* attributes = nullptr;
        info->GetTypeAttr(&attributes);
        for (WORD v = 0; v < attributes->cVars; v++) {
            VARDESC* variable = nullptr;
            info->GetVarDesc(v, &variable);
            enumeration[docString(info.Get(), variable->memid)] = variable->lpvarValue->lVal;
            info->ReleaseVarDesc(variable);
        }
        info->ReleaseTypeAttr(attributes);
    }
    EXPECT_EQ((std::map<std::wstring, long>{{L"L_serverFileExists", 0},
                                            {L"L_serverFileCorrupted", 1},
                                            {L"L_serverFileIncomplete", 2},
                                            {L"L_serverFileNotFound", 3}}),
              enumeration);
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
