// downloadFile and getRemotePicture against the provider stand-in.
#include "component_fixture.h"

#include <olectl.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "bstr.h"

using namespace webtest;

namespace {

const std::wstring kPackagePath = L"/brisvel/versions/250/site/kelo/download/Kelo%20Print%20Driver.msi";
const std::wstring kImages = L"/brisvel/versions/250/site/kelo/images/";

std::string readAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class Transfer : public WebTest {};

}  // namespace

TEST_F(Transfer, DownloadsWriteTheFileAndReportProgress) {
    const std::string expected = lab::httpRequest(L"GET", m_provider->url(kPackagePath)).body;
    ASSERT_FALSE(expected.empty());
    const std::wstring target = folder() + L"Kelo Print Driver.msi";
    EXPECT_HRESULT_SUCCEEDED(
        m_web->downloadFile(BStr(m_provider->url(kPackagePath)).get(), BStr(target).get(), VARIANT_TRUE));
    EXPECT_TRUE(readAll(target) == expected);
    ASSERT_FALSE(m_progress.empty());
    for (long percent : m_progress) {
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
    }
    EXPECT_EQ(100, m_progress.back());
    EXPECT_EQ(2u, m_provider->requests().size());  // the test's own request and the download
}

TEST_F(Transfer, DownloadsNeedNoConnectionAndReturnTheServicesFailure) {
    const std::wstring target = folder() + L"never.msi";
    CallResult closed =
        takeCallResult(m_web->downloadFile(BStr(L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/x.msi").get(),
                                           BStr(target).get(), VARIANT_FALSE));
    EXPECT_TRUE(FAILED(closed.hr));
    EXPECT_FALSE(closed.hasErrorInfo);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(target)));
}

TEST_F(Transfer, PicturesNeedAConnection) {
    IDispatch* picture = reinterpret_cast<IDispatch*>(static_cast<uintptr_t>(0xdeadbeef));
    CallResult result = takeCallResult(m_web->getRemotePicture(BStr(kImages + L"logo.bmp").get(), &picture));
    EXPECT_EQ(E_FAIL, result.hr);
    EXPECT_EQ(L"Not connected to server", result.description);
    EXPECT_EQ(L"KeloWeb.iWeb.1", result.source);
    EXPECT_EQ(nullptr, picture);
}

TEST_F(Transfer, PicturesComeFromTheServiceHostWithBlanksEncoded) {
    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->clearRecords();
    IDispatch* picture = reinterpret_cast<IDispatch*>(static_cast<uintptr_t>(0xdeadbeef));
    ASSERT_HRESULT_SUCCEEDED(m_web->getRemotePicture(BStr(kImages + L"my logo.bmp").get(), &picture));
    ASSERT_NE(nullptr, picture);
    ComPtr<IPicture> loaded;
    EXPECT_HRESULT_SUCCEEDED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(loaded.GetAddressOf())));
    SHORT type = 0;
    if (loaded) loaded->get_Type(&type);
    EXPECT_EQ(PICTYPE_BITMAP, type);
    picture->Release();
    EXPECT_EQ(utf8(kImages) + "my%20logo.bmp", m_provider->requests().at(0)["path"].text());

    // A picture the server does not have: no object, and no error.
    m_provider->script(R"({"path": "/brisvel/versions/250/site/kelo/images/gone.bmp", "status": 404, "body": "gone"})");
    picture = reinterpret_cast<IDispatch*>(static_cast<uintptr_t>(0xdeadbeef));
    EXPECT_EQ(S_OK, m_web->getRemotePicture(BStr(kImages + L"gone.bmp").get(), &picture));
    EXPECT_EQ(nullptr, picture);
}
