#include <gtest/gtest.h>

#include "http/http_request.h"
#include "resolver/resolver.h"
#include "tests/http/recording_platform.h"

namespace {

const Text kEdgeUserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/46.0.2486.0 "
    "Safari/537.36 Edge/13.10586";

MemberCall Header(const Text& name, const Text& value) {
    return MemberCall{"SetRequestHeader", MemberKind::Method, {name, value}};
}

TEST(ExpandShortLinkTest, AsksOnceWithoutFollowingTheRedirectOrIgnoringCertificateErrors) {
    std::vector<MemberCall> calls;
    ResolverSession session{std::make_shared<RecordingObject>(calls), {}};
    const Text link = " http://1drv.example/u/s!abc ";
    ExpandShortLink(link, session);
    EXPECT_EQ(calls, (std::vector<MemberCall>{
                         {"SetTimeouts", MemberKind::Method, {15000, 15000, 15000, 15000}},
                         {"Open", MemberKind::Method, {"GET", link, false}},
                         {"Option", MemberKind::PropertyPut, {6, 0}},
                         Header("User-Agent", kEdgeUserAgent),
                         Header("Accept", "*/*"),
                         // Pair values are trimmed; the link itself goes to Open as typed.
                         Header("Referer", "http://1drv.example/u/s!abc"),
                         Header("Accept-Language", "zh-cn"),
                         {"Send", MemberKind::Method, {""}},
                         // The body is never read: a huge one is not copied.
                         {"GetAllResponseHeaders", MemberKind::Method, {}},
                         {"Status", MemberKind::PropertyGet, {}},
                     }));
}

TEST(ExpandShortLinkTest, GivesTheWholeFirstLineStartingWithLocation) {
    const std::pair<Text, Text> cases[] = {
        {"Cache-Control: no-cache\r\nLocation: https://a.example/r?resid=1&\r\nLocation: https://b.example/\r\n",
         "Location: https://a.example/r?resid=1&"},
        {"location: https://a.example/\r\nLOCATION: https://b.example/", ""},
        {"Locations: x\r\nLocation: y", "Locations: x"},
        {"Locatio\r\nLocat\r\nX-Location: z", ""},
        {"Location", "Location"},
        {"", ""},
    };
    for (const auto& [responseHeaders, expected] : cases) {
        std::vector<MemberCall> calls;
        ResolverSession session{std::make_shared<RecordingObject>(
                                    calls, std::map<Text, AutomationValue>{{"GetAllResponseHeaders", responseHeaders}}),
                                {}};
        EXPECT_EQ(ExpandShortLink("http://s.example/x", session), expected) << responseHeaders;
    }
}

using SessionTest = RecordingPlatformTest;

// One object carries every request of a run, so its connections are reused; one that cannot be
// made is asked for again at the next request.
TEST_F(SessionTest, MakesOneRequestObjectForTheRun) {
    ResolverSession session;
    platform.creationFails = true;
    EXPECT_EQ(ExpandShortLink("http://s.example/x", session), "");
    EXPECT_EQ(session.requestObject, nullptr);
    platform.creationFails = false;
    platform.answers = {{"GetAllResponseHeaders", "Location: y"}};
    EXPECT_EQ(ExpandShortLink("http://s.example/x", session), "Location: y");
    EXPECT_EQ(ExpandShortLink("http://s.example/z", session), "Location: y");
    EXPECT_EQ(platform.creations, 2);
    session = ResolverSession();
    platform.objectOutlivedCom = false;  // the session holds its object beyond each request
}

}  // namespace
