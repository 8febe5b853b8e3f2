// The real request object through the loopback stand-in of the service's hosts
// (tests/servers/service_standin.py), which ctest starts around this program with
// http_proxy set to it for this process alone. TrustedCa runs with the stand-in's
// CA in the prefix's root store, UnknownCa against a stand-in whose CA is new.
#include <objbase.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "http/http_request.h"
#include "tests/http/recorded_requests.h"

namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;

const char kShortLink[] = "https://1drv.ms/u/s!Probe";

class StandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("CORVANEL_STANDIN_PROXY").empty()) << "run through tests/servers/service_standin.py";
        seen_ = RecordedRequests(Env("CORVANEL_STANDIN_RECORD_DIR")).size();
    }
    std::vector<Recorded> NewRequests() const { return RecordedRequests(Env("CORVANEL_STANDIN_RECORD_DIR"), seen_); }

private:
    std::size_t seen_ = 0;
};

using TrustedCa = StandInTest;
using UnknownCa = StandInTest;

TEST_F(TrustedCa, ShortLinkAnswersItsRedirectThroughATunnel) {
    Text responseHeaders;
    std::int32_t status = 0;
    const Bytes body =
        HttpRequest(kShortLink, {.responseHeaders = &responseHeaders, .statusCode = &status, .noRedirects = true});
    EXPECT_EQ(status, 302);
    EXPECT_THAT(responseHeaders,
                HasSubstr("\r\nLocation: https://onedrive.live.com/redir?resid=PROBE%211&authkey=!Probe\r\n"));
    EXPECT_TRUE(body.empty());
    const std::vector<Recorded> requests = NewRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].host, "1drv.ms");
    EXPECT_EQ(requests[0].tunnel, "1drv.ms:443");
    // Wine names the host and port in the request line inside the tunnel, Windows does not.
    EXPECT_THAT(requests[0].requestLine,
                AnyOf("GET /u/s!Probe HTTP/1.1", "GET https://1drv.ms:443/u/s!Probe HTTP/1.1"));
}

TEST_F(TrustedCa, TokenPostArrivesWithItsBodyAndHeaders) {
    const Text json = R"({"appId":"probe"})";
    Text headers = "Content-Type: application/json";
    std::int32_t status = 0;
    const Bytes body = HttpRequest("https://api-badgerp.svc.ms/v1.0/token",
                                   {.method = 1, .bodyText = json, .headers = &headers, .statusCode = &status});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body, AsBytes(R"({"token":"probe-token"})"));
    const std::vector<Recorded> requests = NewRequests();
    ASSERT_EQ(requests.size(), 1u);
    const Recorded& r = requests[0];
    EXPECT_EQ(r.host, "api-badgerp.svc.ms");
    EXPECT_THAT(r.requestLine, HasSubstr("/v1.0/token HTTP/1.1"));
    EXPECT_EQ(r.requestLine.substr(0, 5), "POST ");
    EXPECT_EQ(r.body, AsBytes(json));
    EXPECT_EQ(r.Header("Content-Type"), "application/json");
    EXPECT_EQ(r.Header("Host"), "api-badgerp.svc.ms");
    EXPECT_EQ(r.Header("Accept-Language"), "zh-cn");
}

TEST_F(TrustedCa, OneRequestObjectReachesTwoHosts) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        std::shared_ptr<RequestObject> object = SystemRequestPlatform().CreateRequestObject();
        ASSERT_TRUE(object);
        std::int32_t first = 0, second = 0;
        HttpRequest(kShortLink, {.statusCode = &first, .noRedirects = true, .requestObject = object});
        const Bytes body = HttpRequest("https://my.microsoftpersonalcontent.com/_api/v2.0/shares/u!probe/driveitem",
                                       {.statusCode = &second, .noRedirects = true, .requestObject = object});
        EXPECT_EQ(first, 302);
        EXPECT_EQ(second, 200);
        EXPECT_THAT(Text(body.begin(), body.end()),
                    HasSubstr(R"("@content.downloadUrl":"https://my.microsoftpersonalcontent.com/dl/a.txt")"));
        EXPECT_THAT(NewRequests(), ElementsAre(Field(&Recorded::host, "1drv.ms"),
                                               Field(&Recorded::host, "my.microsoftpersonalcontent.com")));
    }
    CoUninitialize();
}

TEST_F(UnknownCa, HandshakeIsRefusedAndNothingComesBack) {
    Text responseHeaders = "old";
    std::int32_t status = -1;
    const Bytes body =
        HttpRequest(kShortLink, {.responseHeaders = &responseHeaders, .statusCode = &status, .noRedirects = true});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(responseHeaders, "");
    EXPECT_TRUE(body.empty());
    // The tunnel was opened: the request object, not the way to the stand-in, turned the CA down.
    EXPECT_THAT(RecordedTunnels(Env("CORVANEL_STANDIN_RECORD_DIR")), ElementsAre("1drv.ms:443"));
    EXPECT_TRUE(NewRequests().empty());
}

}  // namespace
