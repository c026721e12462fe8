// The provider stand-in's smoke test: started from a Windows program under Wine, it
// answers a request posted with WinHTTP and records it for the test to read back.
#include "json_value.h"
#include "provider_client.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProviderStandIn, StartsAnswersAndRecordsARequest) {
    lab::ProviderStandIn provider;
    ASSERT_GT(provider.port(), 0);
    const std::string document =
        "<keloAction><method name=\"login\">"
        "<parameter name=\"username\"><value>alice</value></parameter>"
        "<parameter name=\"password\"><value>secret</value></parameter>"
        "</method></keloAction>";
    lab::HttpReply reply =
        lab::httpRequest(L"POST", provider.serviceUrl(), document, L"Content-type: application/x-www-form-urlencoded");
    ASSERT_EQ(200u, reply.status) << reply.error;
    EXPECT_NE(std::string::npos, reply.body.find("<keloResult><method name=\"login\">"));

    lab::JsonValue logins = provider.requests("login");
    ASSERT_EQ(1u, logins.size());
    EXPECT_EQ(document, logins.at(0)["body"].text());
}
