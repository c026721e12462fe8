// The progress reports of uploads and downloads.
#include "transfer_progress.h"
#include "web_test_support.h"

using namespace web;

// (That each percent is reported once, from 0 to 100, the upload road shows.)
TEST(ProgressReport, UploadsStopWhenTheListenerAsksAndDoNotOverflow) {
    std::vector<long> reported;
    UploadProgress progress([&](long percent) { reported.push_back(percent); });
    progress.start(4);
    progress.requestStop();
    EXPECT_EQ("the upload was stopped by its listener", webtest::errorMessageOf([&] { progress.advance(1); }));
    progress.start(4);
    progress.advance(4);
    EXPECT_EQ((std::vector<long>{0, 25, 0, 100}), reported) << "the next upload runs again";

    reported.clear();
    const uint64_t total = 3'000'000'000ull;
    progress.clearComplete();
    progress.start(total);
    for (uint64_t sent = 0; sent < total; sent += 10240) progress.advance(std::min<uint64_t>(10240, total - sent));
    ASSERT_EQ(101u, reported.size());
    for (long i = 0; i <= 100; i++) EXPECT_EQ(i, reported[i]);
}

TEST(ProgressReport, DownloadsReportProgressOverMaximumWhenTheMaximumIsKnown) {
    std::vector<long> reported;
    auto callback = com::make<DownloadProgress>([&](long percent) { reported.push_back(percent); });
    EXPECT_EQ(S_OK, callback->OnProgress(10, 0, BINDSTATUS_CONNECTING, L"x"));
    EXPECT_EQ(S_OK, callback->OnProgress(50, 200, BINDSTATUS_DOWNLOADINGDATA, L"x"));
    EXPECT_EQ(S_OK, callback->OnProgress(200, 200, BINDSTATUS_ENDDOWNLOADDATA, L"x"));
    EXPECT_EQ((std::vector<long>{25, 100}), reported);
}
