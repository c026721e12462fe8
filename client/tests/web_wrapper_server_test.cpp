// The server wrapper through the real web component against the provider stand-in: what
// the server receives of each operation's parameters (read back from the stand-in's
// record), and the server's replies read with their types.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "bstr.h"
#include "job_persistant.h"
#include "lab_paths.h"
#include "lab_text.h"
#include "lab_road.h"
#include "provider_client.h"
#include "server_date.h"
#include "web_wrapper.h"

namespace {

const wchar_t kWebClsid[] = L"{452A5491-A466-401B-9430-441A23E7E6B2}";

using Received = std::map<std::string, std::string>;

class WrapperAtTheServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registration = std::make_unique<lab::ScopedDllRegistration>(lab::programFolder() + L"KeloWeb.dll", kWebClsid);
        provider = std::make_unique<lab::ProviderStandIn>();
    }
    static void TearDownTestSuite() {
        provider.reset();
        registration.reset();
    }

    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        provider->reset();
        ComPtr<I_Web> web = createWebComponent();
        ScriptDictionary params = ScriptDictionary::create();
        VARIANT_BOOL connected = VARIANT_FALSE;
        std::wstring host = L"127.0.0.1:" + std::to_wstring(provider->port());
        ASSERT_HRESULT_SUCCEEDED(web->connect(BStr(host).get(), BStr(L"alice").get(), BStr(L"secret").get(),
                                              params.dictionary(), &connected));
        ASSERT_EQ(VARIANT_TRUE, connected);
        wrapper = std::make_unique<c_iWebWrapper>();
        wrapper->setServer(web);
    }
    void TearDown() override {
        if (wrapper && wrapper->server()) wrapper->server()->disconnect();
        wrapper.reset();
        CoUninitialize();
    }

    // The parameters of the last request of a method as the server holds them; every
    // one must have arrived as a single text value.
    Received received(const std::string& method) {
        lab::JsonValue requests = provider->requests(method);
        EXPECT_LT(0u, requests.size()) << "no request " << method;
        if (requests.size() == 0) return {};
        const lab::JsonValue& request = requests.at(requests.size() - 1);
        Received values;
        for (const lab::JsonValue& parameter : request["parameters"].items()) {
            EXPECT_EQ("string", parameter["kind"].text()) << method << " " << parameter["name"].text();
            EXPECT_EQ(1u, parameter["values"].size()) << method << " " << parameter["name"].text();
            values[parameter["name"].text()] = parameter["values"].at(0)["text"].text();
        }
        EXPECT_EQ(values.size(), request["values"].size()) << method << ": one entry per parameter";
        return values;
    }

    static SYSTEMTIME march5() {
        SYSTEMTIME time = {};
        time.wYear = 2002;
        time.wMonth = 3;
        time.wDay = 5;
        time.wHour = 9;
        time.wMinute = 7;
        return time;
    }

    static std::unique_ptr<lab::ScopedDllRegistration> registration;
    static std::unique_ptr<lab::ProviderStandIn> provider;
    std::unique_ptr<c_iWebWrapper> wrapper;
};

std::unique_ptr<lab::ScopedDllRegistration> WrapperAtTheServerTest::registration;
std::unique_ptr<lab::ProviderStandIn> WrapperAtTheServerTest::provider;

}  // namespace

TEST_F(WrapperAtTheServerTest, TheServerReceivesEveryParameterAsItsText) {
    EXPECT_EQ(1001, wrapper->createJob(L"Q3 \u00fcber <alles> & mehr", 8.5, 11.0, 3));
    EXPECT_EQ((Received{{"jobName",
                         "Q3 \xc3\xbc"
                         "ber <alles> & mehr"},
                        {"pageWidth", "8.5"},
                        {"pageHeight", "11"},
                        {"pageCount", "3"}}),
              received("createJob"));

    wrapper->getCallUrl();
    EXPECT_EQ((Received{{"getCallUrl", "0"}}), received("getCallUrl"));

    C_jobPersistant job;
    job.setJobId(L"0");
    job.setFilename(L"C:\\jobs\\Report_1f\\Report.ps");
    std::wstring uploadPath;
    long port = 0;
    wrapper->uploadJob(job, uploadPath, port);
    EXPECT_EQ((Received{{"jobId", "0"}, {"fileName", "Report_1f"}}), received("uploadJob_nogui"));

    wrapper->deleteJob(L"0");
    EXPECT_EQ((Received{{"jobId", "0"}}), received("deleteJob"));
    wrapper->checkClientVersion(L"5.0.2");
    EXPECT_EQ((Received{{"version", "5.0.2"}}), received("checkClientVersion"));
    wrapper->setLanguage(0x0C07);
    wrapper->getLocalizationSection();
    EXPECT_EQ((Received{{"pdLocale", "3079"}, {"primaryLang", "7"}}), received("getLocalizationSection"));

    wrapper->priceJob(7, L"1", L"Flyer", L"A4", 8.25, 11.75, 4, L"gloss", march5(), 2, -1);
    Received price = received("price");
    EXPECT_EQ("8.25", price["pageWidth"]);
    EXPECT_EQ("11.75", price["pageHeight"]);
    EXPECT_EQ("Black", price["colors"]);
    EXPECT_EQ("2", price["copies"]);
    EXPECT_EQ("7", price["jobId"]);
    EXPECT_EQ(0u, price["reqDate"].find("2002-03-05T09:07")) << price["reqDate"];
    EXPECT_EQ(22u, price["reqDate"].size()) << price["reqDate"];

    wrapper->getRestDates(march5(), march5());
    EXPECT_EQ(lab::toUtf8(formatServerDate(march5())), received("getRestDates")["startDate"]);
}

TEST_F(WrapperAtTheServerTest, TheServersRepliesAreReadWithTheirTypes) {
    std::wstring uploadPath;
    long port = 0;
    wrapper->uploadJob(C_jobPersistant(), uploadPath, port);
    EXPECT_EQ(L"/uploads/u1", uploadPath);
    EXPECT_EQ(provider->port(), port);
    EXPECT_EQ(L"/brisvel/versions/250/site/kelo/services/web/printdriver/order.asp?session=lab", wrapper->getCallUrl());
    EXPECT_EQ(L"loc_0", replyText(wrapper->getLocalizationSection().item(L"localizationsection")));
    EXPECT_TRUE(wrapper->getIsPriceVisible());
    EXPECT_TRUE(wrapper->prepareClientDownload());

    ScriptDictionary version = wrapper->checkClientVersion(L"5.0.2");
    ASSERT_TRUE(version) << "\"versionSpec\" arrives as a dictionary";
    EXPECT_FALSE(replyBool(version.item(L"update")));
    EXPECT_FALSE(replyBool(version.item(L"critical")));

    long selected = 0;
    Variant centers;
    wrapper->getCostCenterList(1, selected, centers);
    EXPECT_EQ(2, selected);
    EXPECT_TRUE(centers.vt == VT_DISPATCH || centers.vt == VT_UNKNOWN) << "the list is an object";

    // The stand-in's dates are UTC; they come back as this machine's time of day.
    provider->answerMethod("getWorkingHours", R"({"startTime": "2002-03-05T08:00+00:00"})", 1);
    SYSTEMTIME start = {}, end = {};
    wrapper->getWorkingHours(start, end);
    SYSTEMTIME expected = parseServerDate(L"2002-03-05T08:00+00:00");
    EXPECT_EQ(expected.wDay, start.wDay);
    EXPECT_EQ(expected.wHour, start.wHour);
}
