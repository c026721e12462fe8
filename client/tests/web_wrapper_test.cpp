// The server wrapper against a web component inside the test: the parameters it makes
// up, an unbound server, the "returnCode" rule and the upload progress events. (The real
// web component carries them to the provider on the road, in road_end_to_end_test.cpp.)
#include <gtest/gtest.h>
#include <comdef.h>

#include <algorithm>

#include "fake_web.h"
#include "job_persistant.h"
#include "server_date.h"
#include "web_wrapper.h"

namespace {

class WrapperTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        fake = com::make<FakeWeb>();
        wrapper = std::make_unique<c_iWebWrapper>();
        wrapper->setServer(asWeb(fake));
    }
    void TearDown() override {
        wrapper.reset();
        fake.Reset();
        CoUninitialize();
    }
    // Every reply is {"returnCode": code} with these fields besides.
    void replyWith(const wchar_t* code, std::vector<std::pair<std::wstring, Variant>> fields = {}) {
        fake->answer = [code, fields](const std::wstring&, ScriptDictionary& reply) {
            reply = ScriptDictionary::create();
            if (code) reply.add(L"returnCode", Variant(code));
            for (const auto& field : fields) reply.add(field.first, field.second);
        };
    }

    // The last call as "method name=value ...", in the order sent.
    std::wstring lastCall() const {
        std::wstring text = fake->calls.back().method;
        const ScriptDictionary& params = fake->calls.back().params;
        for (const Variant& key : params.keys()) text += L" " + key.toString() + L"=" + params.item(key).toString();
        return text;
    }

    ComPtr<FakeWeb> fake;
    std::unique_ptr<c_iWebWrapper> wrapper;
};

const std::wstring kDate = L"2002-03-05T08:00+00:00";

}  // namespace

TEST_F(WrapperTest, ParametersThatTheWrapperMakesUp) {
    C_jobPersistant job;
    job.setJobId(L"0");
    job.setFilename(L"C:\\jobs\\Report_1f\\Report.ps");
    std::wstring text;
    long number = 0;
    SYSTEMTIME march5 = {2002, 3, 2, 5, 9, 7};
    const std::vector<std::pair<std::function<void()>, std::wstring>> operations = {
        {[&] { wrapper->uploadJob(job, text, number); }, L"uploadJob_nogui jobId=0 fileName=Report_1f"},
        {[&] { wrapper->priceJob(7, L"1", L"Flyer", L"A4", 8.25, 11.75, 4, L"gloss", march5, 2, -1); },
         L"price jobId=7 jobType=1 jobDescription=Flyer pageSize=A4 pageWidth=8.25 pageHeight=11.75 pageCount=4 "
         L"paperAlias=gloss reqDate=" +
             formatServerDate(march5) + L" copies=2 colors=Black"},
        {[&] { wrapper->priceJob(7, L"1", L"", L"", 1, 1, 4, L"", march5, 2, 0); }, L" copies=2 colors=Color"},
    };
    for (const auto& operation : operations) {
        operation.first();
        const std::wstring sent = lastCall(), &expected = operation.second;
        EXPECT_EQ(expected, sent.substr(sent.size() - std::min(sent.size(), expected.size())))
            << std::string(sent.begin(), sent.end());
    }
}

TEST_F(WrapperTest, OperationsThatMaySendNothingSendNothingUnboundAndTheirMethodBound) {
    c_iWebWrapper unbound;
    SYSTEMTIME a = {2001}, b = {2001}, c, d;
    long selected = 3;
    Variant list;
    replyWith(L"OK", {{L"startTime", Variant(kDate)},
                      {L"endTime", Variant(kDate)},
                      {L"currentDate", Variant(kDate)},
                      {L"urgentDate", Variant(kDate)},
                      {L"expressDate", Variant(kDate)},
                      {L"regularDate", Variant(kDate)}});
    const std::vector<std::pair<std::wstring, std::function<void(c_iWebWrapper&)>>> calls = {
        {L"createJob", [](c_iWebWrapper& w) { EXPECT_EQ(0, w.createJob(L"x", 1, 1, 1)); }},
        {L"getLocalizationSection", [](c_iWebWrapper& w) { w.getLocalizationSection(); }},
        {L"getJobSubTypes", [](c_iWebWrapper& w) { w.getJobSubTypes(L"1"); }},
        {L"getWorkingHours", [&](c_iWebWrapper& w) { w.getWorkingHours(a, b); }},
        {L"getUrgencyParameters", [&](c_iWebWrapper& w) { w.getUrgencyParameters(a, b, c, d); }},
        {L"getCostCenterList", [&](c_iWebWrapper& w) { w.getCostCenterList(1, selected, list); }},
    };
    for (const auto& call : calls) {
        call.second(unbound);
        EXPECT_TRUE(fake->calls.empty()) << std::string(call.first.begin(), call.first.end());
    }
    EXPECT_EQ(3, selected) << "left as it was";
    for (const auto& call : calls) {
        call.second(*wrapper);
        ASSERT_FALSE(fake->calls.empty());
        EXPECT_EQ(call.first, fake->calls.back().method);
    }
    EXPECT_EQ(2002, a.wYear);

    try {
        unbound.deleteJob(L"0");
        ADD_FAILURE() << "elsewhere an unbound server is an error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_POINTER, error.Error());
    }
}

TEST_F(WrapperTest, ErrorAnywhereInTheReturnCodeRaisesTheServersMessage) {
    replyWith(L"JOB_ERROR_17", {{L"returnMessage", Variant(L"The job is locked")}});
    try {
        wrapper->deleteJob(L"3");
        ADD_FAILURE() << "no error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_FAIL, error.Error());
        EXPECT_EQ(std::wstring(L"Kelo Server"), std::wstring(error.Source()));
        EXPECT_EQ(std::wstring(L"The job is locked"), std::wstring(error.Description()));
    }
    for (const wchar_t* code : {L"OK", L"error_locked", (const wchar_t*)nullptr}) {
        replyWith(code, {{L"jobId", Variant(L"12")}, {L"returnMessage", Variant(L"ERROR_ in the message")}});
        EXPECT_EQ(12, wrapper->createJob(L"x", 1, 1, 1));
    }
}

TEST_F(WrapperTest, ProgressEventsReachTheListenerAndAStoppedTransferAsksToStop) {
    std::vector<long> seen;
    wrapper->fileUploadProgress = [&](long percent) { seen.push_back(percent); };
    EXPECT_FALSE(fake->fireProgress(Variant(40L)));
    EXPECT_FALSE(fake->fireProgress(Variant(L"75")));
    EXPECT_FALSE(fake->fireProgress(Variant(L"not a number")));
    EXPECT_EQ((std::vector<long>{40, 75}), seen) << "what is no number is passed over";
    wrapper->setTransferStopped(true);
    EXPECT_TRUE(fake->fireProgress(Variant(80L)));
}
