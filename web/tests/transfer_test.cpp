// downloadFile and getRemotePicture against the provider stand-in.
#include "component_fixture.h"

#include <olectl.h>

#include "bstr.h"

using namespace webtest;

namespace {
const std::wstring kPackagePath = L"/brisvel/versions/250/site/kelo/download/Kelo%20Print%20Driver.msi";
const std::wstring kImages = L"/brisvel/versions/250/site/kelo/images/";
class Transfer : public WebTest {};
}  // namespace

TEST_F(Transfer, DownloadsNeedNoConnectionWriteTheFileAndReportProgress) {
    const std::string expected = lab::httpRequest(L"GET", m_provider->url(kPackagePath)).body;
    ASSERT_FALSE(expected.empty());
    const std::wstring target = m_folder->file(L"Kelo Print Driver.msi");
    EXPECT_HRESULT_SUCCEEDED(
        m_web->downloadFile(BStr(m_provider->url(kPackagePath)).get(), BStr(target).get(), VARIANT_TRUE));
    EXPECT_TRUE(lab::readFileBytes(target) == expected);
    ASSERT_FALSE(m_progress.empty());
    for (long percent : m_progress) EXPECT_TRUE(percent >= 0 && percent <= 100) << percent;
    EXPECT_EQ(100, m_progress.back());

    // A failure is the download service's own, without error information.
    const std::wstring never = m_folder->file(L"never.msi");
    const std::wstring closed =
        failure(m_web->downloadFile(BStr(L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/x.msi").get(),
                                    BStr(never).get(), VARIANT_FALSE));
    EXPECT_TRUE(closed.size() == 8 && closed[0] == L'8') << lab::toUtf8(closed);
    EXPECT_FALSE(lab::fileExists(never));
}

TEST_F(Transfer, PicturesComeFromTheServiceHostWithBlanksEncoded) {
    IDispatch* picture = poisoned<IDispatch*>();
    EXPECT_EQ(L"80004005 KeloWeb.iWeb.1: Not connected to server",
              failure(m_web->getRemotePicture(BStr(kImages + L"logo.bmp").get(), &picture)));
    EXPECT_EQ(nullptr, picture);

    ASSERT_HRESULT_SUCCEEDED(connect());
    m_provider->clearRecords();
    ASSERT_HRESULT_SUCCEEDED(m_web->getRemotePicture(BStr(kImages + L"my logo.bmp").get(), &picture));
    ASSERT_NE(nullptr, picture);
    ComPtr<IPicture> loaded;
    SHORT type = 0;
    if (SUCCEEDED(picture->QueryInterface(IID_IPicture, reinterpret_cast<void**>(loaded.GetAddressOf()))))
        loaded->get_Type(&type);
    EXPECT_EQ(PICTYPE_BITMAP, type);
    picture->Release();
    EXPECT_EQ(lab::toUtf8(kImages) + "my%20logo.bmp", m_provider->requests().at(0)["path"].text());

    // A picture the server does not have: no object, and no error.
    m_provider->script(R"({"path": "/brisvel/versions/250/site/kelo/images/gone.bmp", "status": 404, "body": "gone"})");
    picture = poisoned<IDispatch*>();
    EXPECT_EQ(S_OK, m_web->getRemotePicture(BStr(kImages + L"gone.bmp").get(), &picture));
    EXPECT_EQ(nullptr, picture);
}
