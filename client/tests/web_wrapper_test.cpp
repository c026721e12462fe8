// The server wrapper against a web component inside the test: the method and the
// parameters (with their VARIANT types) of every operation, the reading of the reply,
// the "returnCode" rule and an unbound server.
#include <gtest/gtest.h>
#include <comdef.h>

#include "fake_web.h"
#include "job_persistant.h"
#include "web_wrapper.h"

namespace {

struct Sent {
    VARTYPE type;
    std::wstring text;
    bool operator==(const Sent& other) const { return type == other.type && text == other.text; }
};

std::ostream& operator<<(std::ostream& out, const Sent& sent) {
    return out << "(vt " << sent.type << ") " << std::string(sent.text.begin(), sent.text.end());
}

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

    // The parameters of the last call, in the order sent.
    std::vector<std::pair<std::wstring, Sent>> sent() const {
        std::vector<std::pair<std::wstring, Sent>> parameters;
        const ScriptDictionary& params = fake->calls.back().params;
        for (const Variant& key : params.keys()) {
            Variant value = params.item(key);
            parameters.push_back({key.toString(), {value.vt, value.vt == VT_EMPTY ? L"" : value.toString()}});
        }
        return parameters;
    }
    std::wstring lastMethod() const { return fake->calls.empty() ? L"<none>" : fake->calls.back().method; }

    // Every reply gets these fields besides "returnCode".
    void replyWith(std::vector<std::pair<std::wstring, Variant>> fields) {
        fake->answer = [fields](const std::wstring&, ScriptDictionary& reply) {
            for (const auto& field : fields) reply.add(field.first, field.second);
        };
    }

    ComPtr<FakeWeb> fake;
    std::unique_ptr<c_iWebWrapper> wrapper;
};

using Parameters = std::vector<std::pair<std::wstring, Sent>>;

SYSTEMTIME date(int year, int month, int day, int hour, int minute) {
    SYSTEMTIME time = {};
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    return time;
}

}  // namespace

TEST_F(WrapperTest, EveryOperationSendsItsMethodWithTypedParameters) {
    wrapper->createJob(L"Report", 8.5, 11.0, 3);
    EXPECT_EQ(L"createJob", lastMethod());
    EXPECT_EQ((Parameters{{L"jobName", {VT_BSTR, L"Report"}},
                          {L"pageWidth", {VT_R8, L"8.5"}},
                          {L"pageHeight", {VT_R8, L"11"}},
                          {L"pageCount", {VT_I2, L"3"}}}),
              sent());

    wrapper->getJobSubTypes(L"5");
    EXPECT_EQ((Parameters{{L"jobTypeID", {VT_BSTR, L"5"}}}), sent());
    wrapper->getJobSubTypeInfo(L"11", L"5", 7);
    EXPECT_EQ(
        (Parameters{{L"jobSubTypeId", {VT_BSTR, L"11"}}, {L"jobTypeID", {VT_BSTR, L"5"}}, {L"jobId", {VT_I4, L"7"}}}),
        sent());
    long selected = 0;
    Variant list;
    wrapper->getCostCenterList(7, selected, list);
    EXPECT_EQ((Parameters{{L"jobId", {VT_I4, L"7"}}}), sent());

    wrapper->getCallUrl();
    EXPECT_EQ(L"getCallUrl", lastMethod());
    EXPECT_EQ((Parameters{{L"getCallUrl", {VT_I2, L"0"}}}), sent());

    C_jobPersistant job;
    job.setJobId(L"0");
    job.setFilename(L"C:\\jobs\\Report_1f\\Report.ps");
    job.setUploadPath(L"/uploads/u3");
    std::wstring uploadPath;
    long port = 0;
    wrapper->uploadJob(job, uploadPath, port);
    EXPECT_EQ(L"uploadJob_nogui", lastMethod());
    EXPECT_EQ((Parameters{{L"jobId", {VT_BSTR, L"0"}}, {L"fileName", {VT_BSTR, L"Report_1f"}}}), sent());
    long size = 0, checksum = 0;
    wrapper->resumeUploadJob(job, port, size, checksum);
    EXPECT_EQ((Parameters{{L"filename", {VT_BSTR, L"Report.ps"}}, {L"uploadPath", {VT_BSTR, L"/uploads/u3"}}}), sent());
    wrapper->doneUpload(job);
    EXPECT_EQ((Parameters{{L"jobId", {VT_BSTR, L"0"}},
                          {L"filename", {VT_BSTR, L"Report_1f"}},
                          {L"uploadPath", {VT_BSTR, L"/uploads/u3"}}}),
              sent());

    std::wstring status;
    short progress = 0;
    Variant steps;
    wrapper->getJobStatus(L"9", status, progress, steps);
    EXPECT_EQ((Parameters{{L"jobId", {VT_BSTR, L"9"}}}), sent());
    wrapper->orderJob(L"9");
    EXPECT_EQ(L"orderJob", lastMethod());
    EXPECT_EQ((Parameters{{L"jobId", {VT_BSTR, L"9"}}}), sent());
    wrapper->deleteJob(L"0");
    EXPECT_EQ(L"deleteJob", lastMethod());
    EXPECT_EQ((Parameters{{L"jobId", {VT_BSTR, L"0"}}}), sent());
    wrapper->getSteps(L"s1", L"9");
    EXPECT_EQ((Parameters{{L"baseStepId", {VT_BSTR, L"s1"}}, {L"jobId", {VT_BSTR, L"9"}}}), sent());
    wrapper->getRestDates(date(2002, 3, 5, 9, 7), date(2002, 4, 1, 0, 0));
    ASSERT_EQ(2u, sent().size());
    EXPECT_EQ(0u, sent()[0].second.text.find(L"2002-03-05T09:07")) << sent()[0].second;
    EXPECT_EQ(VT_BSTR, sent()[1].second.type);
    wrapper->checkClientVersion(L"5.0.2");
    EXPECT_EQ((Parameters{{L"version", {VT_BSTR, L"5.0.2"}}}), sent());

    wrapper->priceJob(7, L"1", L"Flyer", L"A4", 8.25, 11.75, 4, L"gloss", date(2002, 3, 5, 9, 7), 2, -1);
    EXPECT_EQ(L"price", lastMethod());
    Parameters price = sent();
    ASSERT_EQ(11u, price.size());
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"jobId", {VT_I4, L"7"}}), price[0]);
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"pageWidth", {VT_BSTR, L"8.25"}}), price[4]) << "decimal text";
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"pageHeight", {VT_BSTR, L"11.75"}}), price[5]);
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"pageCount", {VT_I2, L"4"}}), price[6]);
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"copies", {VT_I2, L"2"}}), price[9]);
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"colors", {VT_BSTR, L"Black"}}), price[10]);
    wrapper->priceJob(7, L"1", L"Flyer", L"A4", 8.25, 11.75, 4, L"gloss", date(2002, 3, 5, 9, 7), 2, 0);
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"colors", {VT_BSTR, L"Color"}}), sent()[10]);
    wrapper->priceJob(7, L"1", L"Flyer", L"A4", 8.25, 11.75, 4, L"gloss", date(2002, 3, 5, 9, 7), 2, 4);
    EXPECT_EQ((std::pair<std::wstring, Sent>{L"colors", {VT_I4, L"4"}}), sent()[10]);

    // The methods without parameters send an empty dictionary.
    SYSTEMTIME a, b, c, d;
    replyWith({{L"startTime", Variant(L"2002-03-05T08:00+00:00")},
               {L"endTime", Variant(L"2002-03-05T18:00+00:00")},
               {L"currentDate", Variant(L"2002-03-05T08:00+00:00")},
               {L"urgentDate", Variant(L"2002-03-05T08:00+00:00")},
               {L"expressDate", Variant(L"2002-03-05T08:00+00:00")},
               {L"regularDate", Variant(L"2002-03-05T08:00+00:00")},
               {L"defaultDate", Variant(L"2002-03-05T08:00+00:00")}});
    std::vector<std::pair<std::wstring, std::function<void()>>> plain = {
        {L"getJobTypes", [&] { wrapper->getJobTypes(); }},
        {L"getWorkingHours", [&] { wrapper->getWorkingHours(a, b); }},
        {L"getUrgencyParameters", [&] { wrapper->getUrgencyParameters(a, b, c, d); }},
        {L"getDefaultRequiredDate", [&] { wrapper->getDefaultRequiredDate(); }},
        {L"getTermsAndConditions", [&] { wrapper->getTermsAndConditions(); }},
        {L"getIsPriceVisible", [&] { wrapper->getIsPriceVisible(); }},
        {L"getIsReqDateEnabled", [&] { wrapper->getIsReqDateEnabled(); }},
        {L"prepareClientDownload", [&] { wrapper->prepareClientDownload(); }},
        {L"getLogo", [&] { wrapper->getLogo(); }},
    };
    for (const auto& call : plain) {
        call.second();
        EXPECT_EQ(call.first, lastMethod());
        EXPECT_EQ(0, fake->calls.back().params.count()) << std::string(call.first.begin(), call.first.end());
    }
}

TEST_F(WrapperTest, TheLocalizationSectionSendsTheLanguageAndItsPrimaryLanguageOnlyWhenThereIsOne) {
    wrapper->getLocalizationSection();
    EXPECT_EQ((Parameters{{L"pdLocale", {VT_I4, L"0"}}}), sent());
    wrapper->setLanguage(0x0C07);  // German, Austria
    wrapper->getLocalizationSection();
    EXPECT_EQ((Parameters{{L"pdLocale", {VT_I4, L"3079"}}, {L"primaryLang", {VT_I4, L"7"}}}), sent());
}

TEST_F(WrapperTest, ReplyFieldsAreReadWithTheirTypesAndMissingOnesReadEmpty) {
    ScriptDictionary versionSpec = ScriptDictionary::create();
    versionSpec.add(L"update", Variant(L"True"));
    replyWith({{L"jobId", Variant(L"1001")},
               {L"uploadPath", Variant(L"/uploads/u1")},
               {L"uploadPort", Variant(L"41033")},
               {L"callUrl", Variant(L"/order.asp?session=lab")},
               {L"isPriceVisible", Variant(L"True")},
               {L"succeeded", Variant(L"False")},
               {L"versionSpec", Variant(static_cast<IDispatch*>(versionSpec.get()))},
               {L"price", Variant(L"12.5")},
               {L"status", Variant(L"received")},
               {L"progress", Variant(L"40")}});
    EXPECT_EQ(1001, wrapper->createJob(L"x", 1, 1, 1));
    C_jobPersistant job;
    std::wstring uploadPath;
    long port = 0;
    wrapper->uploadJob(job, uploadPath, port);
    EXPECT_EQ(L"/uploads/u1", uploadPath);
    EXPECT_EQ(41033, port) << "a port above 32767 is read whole";
    EXPECT_EQ(L"/order.asp?session=lab", wrapper->getCallUrl());
    EXPECT_TRUE(wrapper->getIsPriceVisible());
    EXPECT_FALSE(wrapper->prepareClientDownload());
    EXPECT_FALSE(wrapper->getIsReqDateEnabled()) << "a missing Boolean is False";
    ScriptDictionary version = wrapper->checkClientVersion(L"1");
    ASSERT_TRUE(version);
    EXPECT_TRUE(replyBool(version.item(L"update")));
    EXPECT_FALSE(replyBool(version.item(L"critical"))) << "missing counts as False";
    EXPECT_DOUBLE_EQ(12.5, wrapper->priceJob(1, L"", L"", L"", 1, 1, 1, L"", SYSTEMTIME{2002, 3, 2, 5}, 1, -1).price);
    std::wstring status;
    short progress = 0;
    Variant steps(L"untouched");
    wrapper->getJobStatus(L"1", status, progress, steps);
    EXPECT_EQ(L"received", status);
    EXPECT_EQ(40, progress);
    EXPECT_EQ(L"untouched", steps.toString()) << "\"postProcessStepsId\" only when present";
    EXPECT_EQ(L"", wrapper->getTermsAndConditions());

    replyWith({});
    EXPECT_FALSE(wrapper->checkClientVersion(L"1")) << "no versionSpec";
    long selected = 5;
    Variant list(L"untouched");
    wrapper->getCostCenterList(1, selected, list);
    EXPECT_EQ(0, selected);
    EXPECT_EQ(L"untouched", list.toString()) << "\"costCenterList\" only when it is an object";
}

TEST_F(WrapperTest, ErrorAnywhereInTheReturnCodeRaisesTheServersMessage) {
    for (const wchar_t* code : {L"ERROR_LOCKED", L"JOB_ERROR_17", L"xERROR_"}) {
        fake->answer = [code](const std::wstring&, ScriptDictionary& reply) {
            reply = ScriptDictionary::create();
            reply.add(L"returnCode", Variant(code));
            reply.add(L"returnMessage", Variant(L"The job is locked"));
        };
        try {
            wrapper->deleteJob(L"3");
            ADD_FAILURE() << "no error for " << std::wstring(code).size();
        } catch (const _com_error& error) {
            EXPECT_EQ(E_FAIL, error.Error());
            EXPECT_EQ(std::wstring(L"Kelo Server"), std::wstring(error.Source()));
            EXPECT_EQ(std::wstring(L"The job is locked"), std::wstring(error.Description()));
        }
    }
    for (const wchar_t* code : {L"OK", L"ERROR", L"error_locked", L"WARNING_1"}) {
        fake->answer = [code](const std::wstring&, ScriptDictionary& reply) {
            reply = ScriptDictionary::create();
            reply.add(L"returnCode", Variant(code));
        };
        EXPECT_NO_THROW(wrapper->deleteJob(L"3"));
    }
}

TEST_F(WrapperTest, AReplyWithoutReturnCodeNeverRaises) {
    fake->answer = [](const std::wstring&, ScriptDictionary& reply) {
        reply = ScriptDictionary::create();
        reply.add(L"jobId", Variant(L"12"));
        reply.add(L"returnMessage", Variant(L"ERROR_ in the message does not count"));
    };
    long jobId = 0;
    EXPECT_NO_THROW(jobId = wrapper->createJob(L"x", 1, 1, 1));
    EXPECT_EQ(12, jobId);
}

TEST_F(WrapperTest, AnUnboundServerSendsNothingWhereItMayAndRaisesElsewhere) {
    c_iWebWrapper unbound;
    EXPECT_EQ(0, unbound.createJob(L"x", 1, 1, 1));
    EXPECT_FALSE(unbound.getJobTypes());
    EXPECT_FALSE(unbound.getLocalizationSection());
    EXPECT_FALSE(unbound.getJobSubTypes(L"1"));
    EXPECT_FALSE(unbound.getJobSubTypeInfo(L"1", L"1", 1));
    SYSTEMTIME start = {2001}, end = {2001};
    unbound.getWorkingHours(start, end);
    EXPECT_EQ(2001, start.wYear) << "left as it was";
    EXPECT_EQ(nullptr, unbound.getRemotePicture(L"logo.bmp").Get());
    long selected = 3;
    Variant list;
    unbound.getCostCenterList(1, selected, list);
    EXPECT_EQ(3, selected);
    EXPECT_DOUBLE_EQ(0, unbound.priceJob(1, L"", L"", L"", 1, 1, 1, L"", SYSTEMTIME{2002, 3, 2, 5}, 1, -1).total);

    for (const auto& call : std::vector<std::function<void()>>{
             [&] { unbound.getCallUrl(); }, [&] { unbound.deleteJob(L"0"); }, [&] { unbound.checkClientVersion(L"1"); },
             [&] { unbound.prepareClientDownload(); }}) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_POINTER, error.Error());
        }
    }
    EXPECT_TRUE(fake->calls.empty()) << "nothing reached any server";
}
