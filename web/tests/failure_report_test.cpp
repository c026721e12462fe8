// What callers are told about failures (the table per method), and the progress
// reports of uploads and downloads.
#include "transfer_progress.h"
#include "web_failures.h"
#include "web_test_support.h"

#include <comdef.h>

using namespace web;

namespace {

Caught caughtFrom(void (*thrower)()) { return *catchFailure(thrower); }
Caught socketFailure(int code) {
    Caught caught;
    caught.kind = Caught::Socket;
    caught.socketCode = code;
    return caught;
}

}  // namespace

TEST(FailureReport, WhatIsCaughtIsClassifiedWithItsText) {
    Caught library = caughtFrom([] { throw cERROR_MSG(BV_ERR_GENERAL, "C_serverConnection::x - %s", "broken"); });
    EXPECT_EQ(Caught::Library, library.kind);
    EXPECT_EQ(L"C_serverConnection::x - broken", library.description);
    EXPECT_EQ("C_serverConnection::x - broken", library.message);

    Caught com = caughtFrom([] { throw _com_error(E_ACCESSDENIED); });
    EXPECT_EQ(Caught::Com, com.kind);
    EXPECT_EQ(E_ACCESSDENIED, com.hr);
    EXPECT_FALSE(com.description.empty());

    Caught socket = caughtFrom([] { throw SocketError{10061}; });
    EXPECT_EQ(Caught::Socket, socket.kind);
    EXPECT_EQ(10061, socket.socketCode);

    EXPECT_EQ(Caught::Other, caughtFrom([] { throw 42; }).kind);
    EXPECT_FALSE(catchFailure([] {}).has_value());
}

TEST(FailureReport, ConnectReportsLibraryErrorsAndCommunicationErrorsOnly) {
    for (int code : {10048, 10054, 10056, 10061}) {
        Reported reported = reportConnectFailure(socketFailure(code));
        EXPECT_EQ((HRESULT)0x8A010001, reported.hr) << code;
        EXPECT_EQ(L"Communication Error", reported.description.value_or(L"")) << code;
    }
    Reported refused = reportConnectFailure(caughtFrom([] { throw cERROR_MSG(BV_ERR_GENERAL, "Invalid user"); }));
    EXPECT_EQ(E_FAIL, refused.hr);
    EXPECT_EQ(L"Invalid user", refused.description.value_or(L""));
    for (const Caught& quiet : {socketFailure(10060), caughtFrom([] { throw _com_error(E_FAIL); }), Caught()}) {
        Reported reported = reportConnectFailure(quiet);
        EXPECT_EQ(S_OK, reported.hr);
        EXPECT_FALSE(reported.description.has_value());
    }
}

TEST(FailureReport, CommandReportsEveryKind) {
    EXPECT_EQ((HRESULT)0x8A010001, reportCommandFailure(socketFailure(10054)).hr);
    Reported otherSocket = reportCommandFailure(socketFailure(11001));
    EXPECT_EQ((HRESULT)0x80040000, otherSocket.hr);
    EXPECT_EQ(L"Unknown Error", otherSocket.description.value_or(L""));
    Reported library = reportCommandFailure(caughtFrom([] { throw cERROR_MSG(BV_ERR_GENERAL, "Error bad"); }));
    EXPECT_EQ(DISP_E_EXCEPTION, library.hr);
    EXPECT_EQ(L"Error bad", library.description.value_or(L""));
    Reported com = reportCommandFailure(caughtFrom([] { throw _com_error((HRESULT)0x800C0008); }));
    EXPECT_EQ((HRESULT)0x800C0008, com.hr);
    EXPECT_FALSE(com.description.value_or(L"").empty());
    Reported other = reportCommandFailure(Caught());
    EXPECT_EQ(E_UNEXPECTED, other.hr);
    EXPECT_EQ(L"Unexpected error", other.description.value_or(L""));
}

TEST(FailureReport, UploadsAndHtmlHaveOneAnswerEach) {
    for (const Caught& any : {socketFailure(10061), caughtFrom([] { throw cERROR_MSG(BV_ERR_GENERAL, "ZIP Error -1"); }), Caught()}) {
        Reported upload = reportUploadFailure(any);
        EXPECT_EQ(E_UNEXPECTED, upload.hr);
        EXPECT_EQ(L"Unknown error", upload.description.value_or(L""));
    }
    EXPECT_EQ(L"Cannot write to memory",
              reportHtmlFailure(caughtFrom([] { throw cERROR_MSG(BV_ERR_GENERAL, "Cannot write to memory"); })).description.value_or(L""));
    Reported unexpected = reportHtmlFailure(Caught());
    EXPECT_EQ(E_FAIL, unexpected.hr);
    EXPECT_EQ(L"Unknown Error", unexpected.description.value_or(L""));
}

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
