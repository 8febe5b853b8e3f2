#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "http/http_request.h"
#include "tests/http/recording_platform.h"

namespace {

MemberCall Method(const Text& member, std::vector<AutomationValue> args = {}) {
    return {member, MemberKind::Method, std::move(args)};
}
MemberCall Get(const Text& member) { return {member, MemberKind::PropertyGet, {}}; }
MemberCall Put(const Text& member, std::vector<AutomationValue> args) {
    return {member, MemberKind::PropertyPut, std::move(args)};
}
MemberCall Header(const Text& name, const Text& value) { return Method("SetRequestHeader", {name, value}); }
MemberCall Timeouts(std::int32_t ms) { return Method("SetTimeouts", {ms, ms, ms, ms}); }

const MemberCall kIgnoreCertificateErrors = Put("Option", {4, 0x3300});
const MemberCall kNoRedirects = Put("Option", {6, 0});
const std::vector<MemberCall> kReadResponse = {Get("ResponseBody"), Method("GetAllResponseHeaders"), Get("Status")};
const Text kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Text kUrl = "http://h.example/p?x=1";

std::vector<MemberCall> Then(std::vector<MemberCall> calls, const std::vector<MemberCall>& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

std::vector<MemberCall> CallsNamed(const std::vector<MemberCall>& calls, const Text& member) {
    std::vector<MemberCall> named;
    for (const MemberCall& call : calls) {
        if (call.member == member) named.push_back(call);
    }
    return named;
}

std::optional<Text> HeaderSet(const std::vector<MemberCall>& calls, const Text& name) {
    for (const MemberCall& call : CallsNamed(calls, "SetRequestHeader")) {
        if (std::get<Text>(call.args.at(0)) == name) return std::get<Text>(call.args.at(1));
    }
    return std::nullopt;
}

using HttpRequestTest = RecordingPlatformTest;

TEST_F(HttpRequestTest, DrivesEveryMemberInOrderWithItsAutomationTypes) {
    Text cookies = "c=1";
    Text headers = "user-agent: X";
    HttpRequest(kUrl, {.method = 1,
                       .bodyText = "b=1",
                       .cookies = &cookies,
                       .headers = &headers,
                       .noRedirects = true,
                       .proxy = "127.0.0.1:8080",
                       .timeoutSeconds = 30,
                       .proxyUser = "user",
                       .proxyPassword = "pass"});
    EXPECT_EQ(platform.calls,
              Then({Timeouts(30000), Method("SetProxy", {2, "127.0.0.1:8080"}), Method("Open", {"POST", kUrl, false}),
                    kNoRedirects, kIgnoreCertificateErrors, Header("Proxy-Authorization", "Basic dXNlcjpwYXNz"),
                    Header("Cookie", "c=1"), Header("User-Agent", "X"), Header("Accept", "*/*"),
                    Header("Referer", kUrl), Header("Accept-Language", "zh-cn"),
                    Header("Content-Type", "application/x-www-form-urlencoded"), Method("Send", {"b=1"})},
                   kReadResponse));
    EXPECT_EQ(headers, "User-Agent: X\r\nAccept: */*\r\nReferer: " + kUrl +
                           "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
    EXPECT_EQ(platform.creations, 1);
}

TEST_F(HttpRequestTest, LeftOutParametersGiveAPlainGetWithDefaultHeaders) {
    HttpRequest(kUrl);
    EXPECT_EQ(platform.calls,
              Then({Timeouts(15000), Method("Open", {"GET", kUrl, false}), kIgnoreCertificateErrors,
                    Header("Accept", "*/*"), Header("Referer", kUrl), Header("Accept-Language", "zh-cn"),
                    Header("User-Agent", kDefaultUserAgent), Method("Send", {""})},
                   kReadResponse));
}

TEST_F(HttpRequestTest, HandsBackWhatTheObjectAnswersAndEmptyValuesForAnythingElse) {
    struct Case {
        std::map<Text, AutomationValue> answers;
        Bytes body;
        Text responseHeaders;
        std::int32_t status;
        Text responseCookies;
    };
    const Case cases[] = {
        {{{"ResponseBody", Bytes{0, 1, 255}},
          {"GetAllResponseHeaders", "Location: /x\r\nSet-Cookie: s=1; Path=/\r\n"},
          {"Status", 302}},
         {0, 1, 255},
         "Location: /x\r\nSet-Cookie: s=1; Path=/\r\n",
         302,
         "s=1"},
        {{{"ResponseBody", "text"}, {"GetAllResponseHeaders", 7}, {"Status", "200"}}, {}, "", 0, ""},
        {{}, {}, "", 0, ""},
    };
    for (const Case& c : cases) {
        platform.answers = c.answers;
        Text responseHeaders = "old", responseCookies = "old";
        std::int32_t status = -3;
        const Bytes body = HttpRequest(
            kUrl, {.responseCookies = &responseCookies, .responseHeaders = &responseHeaders, .statusCode = &status});
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(responseHeaders, c.responseHeaders);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(responseCookies, c.responseCookies);
    }
}

TEST_F(HttpRequestTest, TimeoutSecondsBecomeMillisecondsForAllFourTimeouts) {
    struct Case {
        std::optional<int> seconds;
        std::optional<std::int32_t> milliseconds;  // none: the object keeps its own
    };
    const Case cases[] = {
        {std::nullopt, 15000}, {0, 15000},       {-5, 15000},           {30, 30000},
        {-1, std::nullopt},    {1, 1000},        {2147483, 2147483000}, {2147484, INT32_MAX},
        {INT_MAX, INT32_MAX},  {INT_MIN, 15000},
    };
    for (const Case& c : cases) {
        platform.calls.clear();
        HttpRequestOptions options;
        if (c.seconds) options.timeoutSeconds = *c.seconds;
        HttpRequest(kUrl, options);
        const std::vector<MemberCall> expected =
            c.milliseconds ? std::vector<MemberCall>{Timeouts(*c.milliseconds)} : std::vector<MemberCall>{};
        EXPECT_EQ(CallsNamed(platform.calls, "SetTimeouts"), expected) << c.seconds.value_or(0);
        EXPECT_EQ(platform.calls.at(c.milliseconds ? 1 : 0).member, "Open");
    }
}

TEST_F(HttpRequestTest, ProxyAndItsBasicCredentials) {
    struct Case {
        Text proxy, user, password;
        std::optional<int> authMode;
        bool setsProxy;
        std::optional<Text> authorization;
    };
    const Case cases[] = {
        {"", "", "", std::nullopt, false, std::nullopt},
        {"", "user", "pass", std::nullopt, false, std::nullopt},
        {"h:3128", "", "pass", std::nullopt, true, std::nullopt},
        {"h:3128", "user", "pass", std::nullopt, true, "Basic dXNlcjpwYXNz"},
        {"h:3128", "user", "pass", 1, true, "Basic dXNlcjpwYXNz"},
        {"h:3128", "u", "", std::nullopt, true, "Basic dTo="},
        {"h:3128", "\xD3\xC3", "p", std::nullopt, true, "Basic 08M6cA=="},  // GBK "用" as code-page bytes
        {"h:3128", "user", "pass", 0, true, std::nullopt},
        {"h:3128", "user", "pass", 2, true, std::nullopt},
    };
    for (const Case& c : cases) {
        platform.calls.clear();
        HttpRequest(kUrl,
                    {.proxy = c.proxy, .proxyUser = c.user, .proxyPassword = c.password, .proxyAuthMode = c.authMode});
        const std::vector<MemberCall> expectedProxy =
            c.setsProxy ? std::vector<MemberCall>{Method("SetProxy", {2, c.proxy})} : std::vector<MemberCall>{};
        EXPECT_EQ(CallsNamed(platform.calls, "SetProxy"), expectedProxy) << c.proxy << " " << c.user;
        EXPECT_EQ(HeaderSet(platform.calls, "Proxy-Authorization"), c.authorization) << c.proxy << " " << c.user;
    }
}

TEST_F(HttpRequestTest, CookieHeaderAndMerging) {
    struct Case {
        std::optional<Text> cookies;  // none: not given
        std::optional<bool> merge;
        Text received;
        std::optional<Text> cookieHeader;
        Text cookiesAfter;
        Text responseCookies;
    };
    const Text received = "Set-Cookie: a = 2; Path=/\r\nSet-Cookie: a=2\r\nSet-Cookie: d=deleted";
    const Case cases[] = {
        {std::nullopt, std::nullopt, received, std::nullopt, "", "a = 2; a=2; d=deleted"},
        {std::nullopt, true, received, std::nullopt, "", "a = 2; a=2; d=deleted"},
        {"", std::nullopt, received, "", "a=2", "a=2"},
        {"", false, received, "", "", "a = 2; a=2; d=deleted"},
        {"Cookie: a=1", false, "", " a=1", " a=1", ""},
        {"Cookie: a=1", std::nullopt, "Set-Cookie: b=2", " a=1", "b=2; a=1", "b=2; a=1"},
        {"cookie:a=1; COOKIE: b=2", false, "", "a=1;  b=2", "a=1;  b=2", ""},
        {"a=1; x=9", std::nullopt, "Set-Cookie: a=2\r\nSet-Cookie: b=3", "a=1; x=9", "a=2; b=3; x=9", "a=2; b=3; x=9"},
    };
    for (const Case& c : cases) {
        platform.calls.clear();
        platform.answers = {{"GetAllResponseHeaders", c.received}};
        Text cookies = c.cookies.value_or(""), responseCookies;
        HttpRequest(
            kUrl,
            {.cookies = c.cookies ? &cookies : nullptr, .responseCookies = &responseCookies, .mergeCookies = c.merge});
        const Text label = c.cookies.value_or("(not given)");
        EXPECT_EQ(HeaderSet(platform.calls, "Cookie"), c.cookieHeader) << label;
        EXPECT_EQ(cookies, c.cookiesAfter) << label;
        EXPECT_EQ(responseCookies, c.responseCookies) << label;
    }
}

TEST_F(HttpRequestTest, MethodIndexOutsideTheTableIsGet) {
    struct Case {
        int method;
        Text name;
    };
    const Case cases[] = {{0, "GET"},   {1, "POST"},    {2, "HEAD"}, {3, "PUT"}, {4, "OPTIONS"}, {5, "DELETE"},
                          {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"},  {9, "GET"}, {-1, "GET"},    {INT_MIN, "GET"}};
    for (const Case& c : cases) {
        platform.calls.clear();
        Text headers;
        HttpRequest(kUrl, {.method = c.method, .headers = &headers});
        EXPECT_EQ(CallsNamed(platform.calls, "Open"), std::vector<MemberCall>{Method("Open", {c.name, kUrl, false})});
        const bool post = c.method == 1;
        EXPECT_EQ(HeaderSet(platform.calls, "Content-Type").has_value(), post) << c.method;
        EXPECT_EQ(FindText(headers, "Content-Type:") != -1, post) << c.method;
    }
}

TEST_F(HttpRequestTest, BodyBytesAreSentInsteadOfBodyText) {
    const Bytes bytes = {0, 0x80, 0xFF, 'a'};
    HttpRequest(kUrl, {.method = 1, .bodyText = "ignored", .bodyBytes = bytes});
    EXPECT_EQ(CallsNamed(platform.calls, "Send"), std::vector<MemberCall>{Method("Send", {bytes})});
}

TEST_F(HttpRequestTest, HeaderSwitches) {
    struct Case {
        std::optional<bool> complete, normalize;
        Text headersAfter;
        std::vector<HeaderPair> pairsSet;
    };
    const Case cases[] = {
        {false, false, "user-agent: X\r\n\r\nx-a:1", {{"user-agent", "X"}, {"x-a", "1"}}},
        {false, std::nullopt, "User-Agent: X\r\nX-A:1", {{"User-Agent", "X"}, {"X-A", "1"}}},
        {true,
         false,
         "user-agent: X\r\n\r\nx-a:1\r\nAccept: */*\r\nReferer: U\r\nAccept-Language: zh-cn",
         {{"user-agent", "X"}, {"x-a", "1"}, {"Accept", "*/*"}, {"Referer", "U"}, {"Accept-Language", "zh-cn"}}},
    };
    for (const Case& c : cases) {
        platform.calls.clear();
        Text headers = "user-agent: X\r\n\r\nx-a:1";
        HttpRequest("U", {.headers = &headers, .completeHeaders = c.complete, .normalizeHeaders = c.normalize});
        EXPECT_EQ(headers, c.headersAfter);
        std::vector<HeaderPair> pairs;
        for (const MemberCall& call : CallsNamed(platform.calls, "SetRequestHeader")) {
            pairs.push_back({std::get<Text>(call.args.at(0)), std::get<Text>(call.args.at(1))});
        }
        EXPECT_EQ(pairs, c.pairsSet) << c.headersAfter;
    }
}

TEST_F(HttpRequestTest, AGivenObjectServesBothCallsAndStaysWithTheCaller) {
    std::vector<MemberCall> log;
    auto object = std::make_shared<RecordingObject>(log, std::map<Text, AutomationValue>{{"Status", 200}});
    std::int32_t first = 0, second = 0;
    HttpRequest("http://a/", {.statusCode = &first, .timeoutSeconds = -1, .requestObject = object});
    HttpRequest("http://b/", {.statusCode = &second, .timeoutSeconds = -1, .requestObject = object});
    EXPECT_EQ(platform.creations, 0);
    EXPECT_EQ(object.use_count(), 1);
    EXPECT_EQ(first, 200);
    EXPECT_EQ(second, 200);
    EXPECT_EQ(CallsNamed(log, "Open"), (std::vector<MemberCall>{Method("Open", {"GET", "http://a/", false}),
                                                                Method("Open", {"GET", "http://b/", false})}));
    EXPECT_EQ(log.size(), 2 * (1 + 1 + 4 + 1 + kReadResponse.size()));
    EXPECT_EQ(object->Invoke("Status", MemberKind::PropertyGet, {}), AutomationValue(200));
}

TEST_F(HttpRequestTest, AGivenEmptyObjectFailsEveryCallButTheTextsAreStillRewritten) {
    Text headers = "user-agent: X", cookies = "Cookie: a=1", responseHeaders = "old", responseCookies = "old";
    std::int32_t status = 5;
    const Bytes body = HttpRequest("U", {.cookies = &cookies,
                                         .responseCookies = &responseCookies,
                                         .headers = &headers,
                                         .responseHeaders = &responseHeaders,
                                         .statusCode = &status,
                                         .requestObject = std::shared_ptr<RequestObject>()});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(platform.creations, 0);
    EXPECT_EQ(headers, "User-Agent: X\r\nAccept: */*\r\nReferer: U\r\nAccept-Language: zh-cn");
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(responseCookies, "a=1");
    EXPECT_EQ(responseHeaders, "");
    EXPECT_EQ(status, 0);
}

TEST_F(HttpRequestTest, FailedCreationLeavesEveryParameterUntouched) {
    platform.creationFails = true;
    Text headers = "user-agent: X", cookies = "Cookie: a=1", responseHeaders = "old", responseCookies = "old";
    std::int32_t status = 5;
    const Bytes body = HttpRequest("U", {.method = 1,
                                         .cookies = &cookies,
                                         .responseCookies = &responseCookies,
                                         .headers = &headers,
                                         .responseHeaders = &responseHeaders,
                                         .statusCode = &status});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(platform.creations, 1);
    EXPECT_EQ(headers, "user-agent: X");
    EXPECT_EQ(cookies, "Cookie: a=1");
    EXPECT_EQ(responseHeaders, "old");
    EXPECT_EQ(responseCookies, "old");
    EXPECT_EQ(status, 5);
}

// A line break would end the header line it stands in and start one of the text's own choosing.
TEST_F(HttpRequestTest, LineBreaksInTheUrlOrAHeaderSendNothing) {
    struct Case {
        const char* name;
        Text url, headers;
        std::optional<Text> cookies;
    };
    const Case cases[] = {
        {"url CR LF", "http://h.example/\r\nHost: evil.example", "", std::nullopt},
        {"url LF", "http://h.example/\nX: 1", "", std::nullopt},
        {"url CR", "http://h.example/\rX: 1", "", std::nullopt},
        {"header value", kUrl, "X-A: 1\nHost: evil.example", std::nullopt},
        {"header name", kUrl, "X\rHost: evil.example", std::nullopt},
        {"cookie", kUrl, "", Text("a=1\r\nAuthorization: x")},
    };
    for (const Case& c : cases) {
        platform.calls.clear();
        platform.answers = {{"ResponseBody", Bytes{1}}, {"GetAllResponseHeaders", "X: 1"}, {"Status", 200}};
        Text headers = c.headers, cookies = c.cookies.value_or(""), responseHeaders = "old";
        std::int32_t status = 5;
        const Bytes body = HttpRequest(c.url, {.cookies = c.cookies ? &cookies : nullptr,
                                               .headers = &headers,
                                               .responseHeaders = &responseHeaders,
                                               .statusCode = &status,
                                               .completeHeaders = false});
        EXPECT_TRUE(body.empty()) << c.name;
        EXPECT_TRUE(CallsNamed(platform.calls, "Send").empty()) << c.name;
        EXPECT_TRUE(CallsNamed(platform.calls, "SetRequestHeader").empty()) << c.name;
        EXPECT_EQ(responseHeaders, "old") << c.name;
        EXPECT_EQ(status, 5) << c.name;
    }
    // Half a character at the end of the URL takes the line break after its Referer line for its
    // second byte, so the line break stays in the value.
    platform.calls.clear();
    EXPECT_TRUE(HttpRequest("http://h.example/\xB5").empty());
    EXPECT_TRUE(CallsNamed(platform.calls, "Send").empty());
}

TEST_F(HttpRequestTest, CertificateCheckingAndReadingTheBodyAreTheCallersChoice) {
    platform.answers = {{"ResponseBody", Bytes{1, 2}}, {"Status", 302}};
    std::int32_t status = 0;
    const Bytes body = HttpRequest(kUrl, {.statusCode = &status, .ignoreCertificateErrors = false, .readBody = false});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(status, 302);
    EXPECT_TRUE(CallsNamed(platform.calls, "Option").empty());
    EXPECT_TRUE(CallsNamed(platform.calls, "ResponseBody").empty());
    platform.calls.clear();
    EXPECT_EQ(HttpRequest(kUrl, {.ignoreCertificateErrors = true, .readBody = true}), (Bytes{1, 2}));
    EXPECT_EQ(CallsNamed(platform.calls, "Option"), std::vector<MemberCall>{kIgnoreCertificateErrors});
}

}  // namespace
