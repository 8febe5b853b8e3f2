#include <gtest/gtest.h>

#include "resolver/resolver.h"
#include "tests/http/recording_platform.h"

namespace {

const Text kEdgeUserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/46.0.2486.0 "
    "Safari/537.36 Edge/13.10586";

using ExpandShortLinkTest = RecordingPlatformTest;

TEST_F(ExpandShortLinkTest, AsksOnceWithoutFollowingTheRedirect) {
    const Text link = " http://1drv.example/u/s!abc ";
    ExpandShortLink(link);
    const auto header = [](const Text& name, const Text& value) {
        return MemberCall{"SetRequestHeader", MemberKind::Method, {name, value}};
    };
    EXPECT_EQ(platform.calls, (std::vector<MemberCall>{
                                  {"SetTimeouts", MemberKind::Method, {15000, 15000, 15000, 15000}},
                                  {"Open", MemberKind::Method, {"GET", link, false}},
                                  {"Option", MemberKind::PropertyPut, {6, 0}},
                                  {"Option", MemberKind::PropertyPut, {4, 0x3300}},
                                  header("User-Agent", kEdgeUserAgent),
                                  header("Accept", "*/*"),
                                  // Pair values are trimmed; the link itself goes to Open as typed.
                                  header("Referer", "http://1drv.example/u/s!abc"),
                                  header("Accept-Language", "zh-cn"),
                                  {"Send", MemberKind::Method, {""}},
                                  {"ResponseBody", MemberKind::PropertyGet, {}},
                                  {"GetAllResponseHeaders", MemberKind::Method, {}},
                                  {"Status", MemberKind::PropertyGet, {}},
                              }));
    EXPECT_EQ(platform.creations, 1);
}

TEST_F(ExpandShortLinkTest, GivesTheWholeFirstLineStartingWithLocation) {
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
        platform.answers = {{"GetAllResponseHeaders", responseHeaders}};
        EXPECT_EQ(ExpandShortLink("http://s.example/x"), expected) << responseHeaders;
    }
}

TEST_F(ExpandShortLinkTest, NoRequestObjectGivesTheEmptyText) {
    platform.creationFails = true;
    EXPECT_EQ(ExpandShortLink("http://s.example/x"), "");
}

}  // namespace
