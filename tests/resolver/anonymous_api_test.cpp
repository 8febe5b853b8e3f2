// Moved personal accounts and the new short links, resolved through the service's anonymous
// interface: every request of a route, in order, against answers in the service's shapes.
#include <gtest/gtest.h>

#include "resolver/resolver.h"
#include "resolver/service.h"
#include "tests/resolver/scripted_object.h"

namespace {

// The old short link "https://1drv.ms/u/s!AjIxK6fZSqHTiH9q", encoded as the service does.
const Text kRedeem = "aHR0cHM6Ly8xZHJ2Lm1zL3UvcyFBakl4SzZmWlNxSFRpSDlx";
const Text kDownloadUrl = "https://a1b2.dl.example/y4m/a.zip?tempauth=v1.eyJ";

ScriptedAnswer Redirect(const Text& target) { return {302, "Location: " + target + "\r\n", ""}; }
const ScriptedAnswer kToken = {200, "Content-Type: application/json", R"({"token":"T1","expiryTimeUtc":"x"})"};
const ScriptedAnswer kFreshToken = {200, "", R"({"token":"T2"})"};
const ScriptedAnswer kItem = {200, "",
                              R"({"id":"CID!s1","name":"a.zip","size":5,"file":{"mimeType":"application/zip"},)"
                              R"("@content.downloadUrl":"https:\/\/a1b2.dl.example\/y4m\/a.zip?tempauth=v1.eyJ"})"};
const ScriptedAnswer kUnauthenticated = {401, "", R"({"error":{"code":"unauthenticated"}})"};

const Text kTokenRequest = ConcatText("POST ", TOKEN_URL);
Text ItemRequest(const Text& shareId) { return ConcatText("GET ", SHARES_URL, shareId, DRIVE_ITEM_PATH); }
Text Get(const Text& url) { return "GET " + url; }

struct RouteCase {
    const char* name;
    Text link;
    std::vector<ScriptedAnswer> answers;  // the service's, one per request
    std::vector<Text> requests;           // what reaches it, in order
    Text directLink;
};

class AnonymousRouteTest : public testing::TestWithParam<RouteCase> {};

TEST_P(AnonymousRouteTest, AsksInOrderAndTakesTheDownloadUrl) {
    const RouteCase& c = GetParam();
    auto service = std::make_shared<ScriptedObject>();
    service->answers.assign(c.answers.begin(), c.answers.end());
    ResolverSession session{service, {}};
    EXPECT_EQ(DeriveDirectLink(c.link, session), c.directLink);
    std::vector<Text> requests;
    for (const SentRequest& r : service->sent) requests.push_back(r.method + " " + r.url);
    EXPECT_EQ(requests, c.requests);
    EXPECT_TRUE(service->answers.empty()) << "answers left unasked";
}

const Text kMovedTarget = "https://onedrive.live.com/?redeem=" + kRedeem + "&id=CBB6%2138238&cid=CBB6";
const Text kOldShort = "https://1drv.ms/u/s!AjIxK6fZSqHTiH9q";
const Text kNewShort = "https://1drv.ms/u/c/574ef7ae453129f3/IQDH_UOPq?e=zgzAqK";

const RouteCase kRoutes[] = {
    {"MovedAccountOldShortLink",
     kOldShort,
     {Redirect(kMovedTarget), kToken, kItem},
     {Get(kOldShort), kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    {"NewShortLink",
     kNewShort,
     {Redirect("https://onedrive.live.com/:u:/g/personal/574EF7AE453129F3/IQDH_UOPq?resid=574EF7AE453129F3!s759f"
               "&ithint=file%2Czip&e=zgzAqK&migratedtospo=true&redeem=" +
               kRedeem),
      kToken, kItem},
     {Get(kNewShort), kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    {"PastedRedeemLinkNeedsNoExpansion",
     kMovedTarget,
     {kToken, kItem},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    {"RedeemAsTheLastParameter",
     "https://onedrive.live.com/?id=CBB6%2138238&redeem=" + kRedeem,
     {kToken, kItem},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    {"ImageOnThePhotosHost",
     "https://1drv.ms/i/c/cbb6/EabC",
     {Redirect("https://photos.onedrive.com/share/CBB6!s1f?cid=CBB6&resId=CBB6!s1f&ithint=photo&migratedtospo=true"
               "&redeem=" +
               kRedeem),
      kToken, kItem},
     {Get("https://1drv.ms/i/c/cbb6/EabC"), kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    // Without a redeem parameter the share is named by the link the user gave.
    {"NoRedeemNamesTheShortLink",
     kOldShort,
     {Redirect("https://onedrive.live.com/?id=CBB6%2138238&cid=CBB6"), kToken, kItem},
     {Get(kOldShort), kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    {"AuthkeyLastNamesThePersonalLink",
     "https://onedrive.live.com/redir?resid=A!1&authkey=!K",
     {kToken, kItem},
     {kTokenRequest, ItemRequest("u!aHR0cHM6Ly9vbmVkcml2ZS5saXZlLmNvbS9yZWRpcj9yZXNpZD1BITEmYXV0aGtleT0hSw")},
     kDownloadUrl},
    {"RedeemOutsideTheAlphabetNamesTheLink",
     "https://onedrive.live.com/?redeem=a%2Fb",
     {kToken, kItem},
     {kTokenRequest, ItemRequest("u!aHR0cHM6Ly9vbmVkcml2ZS5saXZlLmNvbS8_cmVkZWVtPWElMkZi")},
     kDownloadUrl},
    {"NoRedeemAndALinkOfAnotherHost",
     "https://contoso.example/s",
     {Redirect("https://onedrive.live.com/?id=A!1")},
     {Get("https://contoso.example/s")},
     ""},
    {"RefusedTokenIsAFailure", kMovedTarget, {{400, "", R"({"error":"bad app"})"}}, {kTokenRequest}, ""},
    {"TokenAnswerThatIsNoJson", kMovedTarget, {{200, "", "<html>token</html>"}}, {kTokenRequest}, ""},
    {"TokenWithALineBreak", kMovedTarget, {{200, "", R"({"token":"T1\r\nHost: evil.example"})"}}, {kTokenRequest}, ""},
    {"RefusedOnceThenAFreshToken",
     kMovedTarget,
     {kToken, kUnauthenticated, kFreshToken, kItem},
     {kTokenRequest, ItemRequest("u!" + kRedeem), kTokenRequest, ItemRequest("u!" + kRedeem)},
     kDownloadUrl},
    {"RefusedAgainAfterAFreshToken",
     kMovedTarget,
     {kToken, kUnauthenticated, kFreshToken, kUnauthenticated},
     {kTokenRequest, ItemRequest("u!" + kRedeem), kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"FolderHasNoDownloadUrl",
     kMovedTarget,
     {kToken, {200, "", R"({"id":"CID!s2","name":"Photos","folder":{"childCount":3}})"}},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"PlainHttpDownloadUrl",
     kMovedTarget,
     {kToken, {200, "", R"({"@content.downloadUrl":"http://a.example/x"})"}},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"DownloadUrlWithAnEscapedLineBreak",
     kMovedTarget,
     {kToken, {200, "", R"({"@content.downloadUrl":"https://a.example/x\r\nrm -rf"})"}},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"DownloadUrlThatIsNoString",
     kMovedTarget,
     {kToken, {200, "", R"({"@content.downloadUrl":["https://a/"]})"}},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"ItemAnswerCutShort",
     kMovedTarget,
     {kToken, {200, "", R"({"@content.downloadUrl":"https://a.example/x")"}},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"ItemNotFound",
     kMovedTarget,
     {kToken, {404, "", R"({"error":{"code":"itemNotFound"}})"}},
     {kTokenRequest, ItemRequest("u!" + kRedeem)},
     ""},
    {"NoAnswerToTheItemRequest", kMovedTarget, {kToken}, {kTokenRequest, ItemRequest("u!" + kRedeem)}, ""},
};

INSTANTIATE_TEST_SUITE_P(Routes, AnonymousRouteTest, testing::ValuesIn(kRoutes),
                         [](const testing::TestParamInfo<RouteCase>& info) { return info.param.name; });

// Three requests for the first moved-account link of a run, two for every later one: the token
// lasts the run. Every request checks certificates and follows no redirect; the interface's own
// headers and body are sent as it expects them.
TEST(AnonymousApiTest, TokenLastsTheRunAndEveryRequestIsAsTheInterfaceExpects) {
    auto service = std::make_shared<ScriptedObject>();
    service->answers = {Redirect(kMovedTarget), kToken, kItem, Redirect(kMovedTarget), kItem};
    ResolverSession session{service, {}};
    EXPECT_EQ(DeriveDirectLink(kOldShort, session), kDownloadUrl);
    EXPECT_EQ(service->sent.size(), 3u);
    EXPECT_EQ(session.token, "T1");
    EXPECT_EQ(DeriveDirectLink(kOldShort, session), kDownloadUrl);
    ASSERT_EQ(service->sent.size(), 5u);

    const SentRequest& token = service->sent[1];
    EXPECT_EQ(token.Header("Content-Type"), "application/json");
    EXPECT_EQ(token.Header("AppId"), "1141147648");
    EXPECT_EQ(token.body, R"({"appId":"5cbed6ac-a083-4e14-b191-b4ba07653de2"})");
    const SentRequest& item = service->sent[4];
    EXPECT_EQ(item.Header("Authorization"), "Badger T1");
    EXPECT_EQ(item.Header("Prefer"), "autoredeem");
    EXPECT_EQ(item.Header("Accept"), "application/json");
    for (const SentRequest& r : service->sent) {
        for (const auto& [option, value] : r.options) EXPECT_NE(option, 4) << r.url << ": certificate errors ignored";
        EXPECT_EQ(r.options, (std::vector<std::pair<std::int32_t, std::int32_t>>{{6, 0}})) << r.url;
        EXPECT_TRUE(r.Header("User-Agent").value_or("").ends_with("Edge/13.10586")) << r.url;
    }
}

TEST(AnonymousApiTest, ShareIdAndRedeemParameter) {
    EXPECT_EQ(ShareIdOfLink(kOldShort), "u!" + kRedeem);
    // "+" and "/" of the standard alphabet become "-" and "_", and the padding goes.
    EXPECT_EQ(ShareIdOfLink("\xFB\xFF"), "u!-_8");
    EXPECT_EQ(ShareIdOfLink("ab"), "u!YWI");
    const std::pair<Text, Text> redeems[] = {
        {"https://x/?redeem=abc&id=1", "abc"}, {"https://x/?id=1&redeem=abc", "abc"},
        {"https://x/?id=1&xredeem=abc", ""},   {"https://x/?redeem=", ""},
        {"https://x/?redeem=a&redeem=b", "a"}, {"https://x/?a=1&redeem=b&c&redeem=d", "b"},
    };
    for (const auto& [text, redeem] : redeems) EXPECT_EQ(RedeemParameter(text), redeem) << text;
    EXPECT_TRUE(IsBase64Url(kRedeem));
    for (const Text& text : {Text(), Text("a%2Fb"), Text("a=="), Text("a/b"), Text("a+b"), Text("a b")}) {
        EXPECT_FALSE(IsBase64Url(text)) << text;
    }
}

}  // namespace
