// The request target of a URL and the upload's own texts. (The form's bytes are checked
// on the wire, in winhttp_wrapper_test.cpp.)
#include "file_upload.h"
#include "multipart_form.h"
#include "winhttp_wrapper.h"
#include "web_test_support.h"

#include <gtest/gtest.h>

using namespace web;

TEST(RequestTarget, DefaultPortsComeFromTheSchemeAndTheQueryStaysInTheObjectName) {
    WinHTTPWrapper http;
    ASSERT_TRUE(http.sessionOpen());

    RequestTarget plain = requestTargetOf(http.crackUrl(L"http://print.example.test/svc/default.asp"));
    EXPECT_EQ(L"print.example.test", plain.host);
    EXPECT_EQ(80, plain.port);
    EXPECT_EQ(L"/svc/default.asp", plain.objectName);
    EXPECT_EQ((DWORD)WINHTTP_FLAG_ESCAPE_PERCENT, plain.openFlags);

    RequestTarget secure = requestTargetOf(http.crackUrl(L"https://print.example.test/up.dll?job=7&name=a%20b"));
    EXPECT_EQ(443, secure.port);
    EXPECT_EQ(L"/up.dll?job=7&name=a%20b", secure.objectName);
    EXPECT_EQ((DWORD)(WINHTTP_FLAG_ESCAPE_PERCENT | WINHTTP_FLAG_SECURE), secure.openFlags);

    EXPECT_EQ(8443, requestTargetOf(http.crackUrl(L"https://print.example.test:8443/x")).port);
    EXPECT_EQ(8080, requestTargetOf(http.crackUrl(L"http://print.example.test:8080/x")).port);

    UrlParts noPort;
    noPort.scheme = INTERNET_SCHEME_HTTPS;
    EXPECT_EQ(443, requestTargetOf(noPort).port);
    noPort.scheme = INTERNET_SCHEME_HTTP;
    EXPECT_EQ(80, requestTargetOf(noPort).port);
}

TEST(RequestTarget, AnAddressThatCannotBeSplitFailsWithTheCrackLabel) {
    WinHTTPWrapper http;
    std::string message = webtest::errorMessageOf([&] { http.crackUrl(L"no address at all"); });
    EXPECT_EQ(0u, message.find("WinHTTPWrapper::crackUrl: error=")) << message;
    EXPECT_EQ(std::to_string(http.lastError()), message.substr(message.find('=') + 1));
    EXPECT_NE(0u, http.lastError());
}

TEST(UploadForm, FieldsAndTheirOrder) {
    FormFields plain = uploadFields(L"C:\\jobs\\a/b\\job 1.ps", L"/uploads/u1", false);
    ASSERT_EQ(3, plain.count());
    EXPECT_EQ(L"filename", plain.keyAt(0));
    EXPECT_EQ(L"job 1.ps", plain.valueAt(0));
    EXPECT_EQ(L"outPath", plain.keyAt(1));
    EXPECT_EQ(L"/uploads/u1", plain.valueAt(1));
    EXPECT_EQ(L"overwrite", plain.keyAt(2));
    EXPECT_EQ(L"1", plain.valueAt(2));

    FormFields packed = uploadFields(L"job.ps", L"/uploads/u1", true);
    ASSERT_EQ(4, packed.count());
    EXPECT_EQ(L"zip", packed.keyAt(3));
    EXPECT_EQ(L"1", packed.valueAt(3));
    EXPECT_EQ(L"job.ps", packed.valueAt(0));
}

TEST(UploadForm, NamePartFollowsTheLastSlashOfEitherKind) {
    EXPECT_EQ(L"c.ps", fileNamePart(L"C:\\a/b\\c.ps"));
    EXPECT_EQ(L"c d.ps", fileNamePart(L"C:\\a\\b/c d.ps"));
    EXPECT_EQ(L"name.ps", fileNamePart(L"name.ps"));
    EXPECT_EQ(L"", fileNamePart(L"C:\\folder\\"));
}

TEST(UploadForm, TheEndpointIsOnTheCallersPortWithTheServersSchemeAndHost) {
    WinHTTPWrapper http;
    EXPECT_EQ(L"https://print.example.test:9000/brisvel/versions/250/Comp/ISAPI/bvupload.dll",
              uploadUrlFor(http.crackUrl(L"https://print.example.test:8443/svc/default.asp?x=1"), 9000));
    EXPECT_EQ(L"http://10.1.2.3:80/brisvel/versions/250/Comp/ISAPI/bvupload.dll",
              uploadUrlFor(http.crackUrl(L"http://10.1.2.3/svc/default.asp"), 80));
}

TEST(UploadForm, TheArchiveTakesTheCopysNameWithZip) {
    EXPECT_EQ(L"C:\\temp/tmpA1B2.zip", archivePathFor(L"C:\\temp\\tmpA1B2.tmp"));
    EXPECT_EQ(L"C:\\temp/tmp1.x.zip", archivePathFor(L"C:\\temp\\tmp1.x.tmp"));
}
