// The progress reports of uploads and downloads.
#include "transfer_progress.h"
#include "web_test_support.h"

using namespace web;

TEST(UploadProgressReport, StartsAtZeroAndReportsEachNewPercentOnce) {
    std::vector<long> reported;
    UploadProgress progress([&](long percent) { reported.push_back(percent); });
    progress.start(1000);
    progress.advance(5);    // still 0
    progress.advance(5);    // 1
    progress.advance(4);    // still 1
    progress.advance(486);  // 50
    EXPECT_FALSE(progress.complete());
    progress.advance(500);  // 100
    EXPECT_TRUE(progress.complete());
    EXPECT_EQ((std::vector<long>{0, 1, 50, 100}), reported);

    // A new upload starts over.
    reported.clear();
    progress.clearComplete();
    progress.start(3);
    progress.advance(1);
    progress.advance(2);
    EXPECT_EQ((std::vector<long>{0, 33, 100}), reported);

    // A report that asked to stop ends the upload there; the next upload runs again.
    reported.clear();
    progress.start(4);
    progress.requestStop();
    EXPECT_EQ("the upload was stopped by its listener", webtest::errorMessageOf([&] { progress.advance(1); }));
    progress.start(4);
    progress.advance(4);
    EXPECT_EQ((std::vector<long>{0, 25, 0, 100}), reported);
}

TEST(UploadProgressReport, LargeUploadsDoNotOverflow) {
    std::vector<long> reported;
    UploadProgress progress([&](long percent) { reported.push_back(percent); });
    const uint64_t total = 3'000'000'000ull;
    progress.start(total);
    for (uint64_t sent = 0; sent < total; sent += 10240) progress.advance(std::min<uint64_t>(10240, total - sent));
    ASSERT_EQ(101u, reported.size());
    for (long i = 0; i <= 100; i++) EXPECT_EQ(i, reported[i]);
}

TEST(DownloadProgressReport, ReportsProgressOverMaximumWhenTheMaximumIsKnown) {
    std::vector<long> reported;
    auto callback = com::make<DownloadProgress>([&](long percent) { reported.push_back(percent); });
    EXPECT_EQ(S_OK, callback->OnProgress(10, 0, BINDSTATUS_CONNECTING, L"x"));
    EXPECT_EQ(S_OK, callback->OnProgress(50, 200, BINDSTATUS_DOWNLOADINGDATA, L"x"));
    EXPECT_EQ(S_OK, callback->OnProgress(200, 200, BINDSTATUS_ENDDOWNLOADDATA, L"x"));
    EXPECT_EQ((std::vector<long>{25, 100}), reported);
    EXPECT_EQ(S_OK, callback->OnStartBinding(0, nullptr));
    EXPECT_EQ(S_OK, callback->OnStopBinding(S_OK, nullptr));
}
