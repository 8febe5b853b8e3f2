#include <gtest/gtest.h>

#include "http/http_request.h"

namespace {

const Text kDefaultUserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

struct CompletionCase {
    Text headers;
    bool isPost;
    Text expected;
};

TEST(CompleteRequestHeaders, AppendsOnlyTheMissingDefaults) {
    const Text url = "http://h/p?q=1";
    const CompletionCase cases[] = {
        {"", false, "\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" + kDefaultUserAgent},
        {"", true,
         "\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" + kDefaultUserAgent +
             "\r\nContent-Type: application/x-www-form-urlencoded"},
        // Search keys ignore case and hold the colon.
        {"content-type: text/plain", true,
         "content-type: text/plain\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" +
             kDefaultUserAgent},
        {"user-agent: X", false, "user-agent: X\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn"},
        {"Accept-Language: en", false,
         "Accept-Language: en\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\n" + kDefaultUserAgent},
        // Keys match anywhere in the block, not only at a line start.
        {"X-Referer: a", false, "X-Referer: a\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kDefaultUserAgent},
        {"ACCEPT:x\r\nreferer:y\r\naccept-language:z\r\nUSER-AGENT:w\r\nContent-type:v", true,
         "ACCEPT:x\r\nreferer:y\r\naccept-language:z\r\nUSER-AGENT:w\r\nContent-type:v"},
        // A block ending in a line break keeps an empty line before the first default.
        {"A: 1\r\n", false,
         "A: 1\r\n\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn\r\n" + kDefaultUserAgent},
    };
    for (const CompletionCase& c : cases) {
        Text headers = c.headers;
        CompleteRequestHeaders(headers, url, c.isPost);
        EXPECT_EQ(headers, c.expected) << "block: " << c.headers << " post: " << c.isPost;
    }
}

TEST(CompleteRequestHeaders, TakesTheUrlByteForByte) {
    const Text url = " http://h/\xB5\xE3?a=%20 ";  // GBK "点" and blanks stay as they are
    Text headers = "Accept: a\r\nAccept-Language: b\r\nUser-Agent: c";
    CompleteRequestHeaders(headers, url, false);
    EXPECT_EQ(headers, "Accept: a\r\nAccept-Language: b\r\nUser-Agent: c\r\nReferer: " + url);
}

TEST(NormalizeHeaderNames, CapitalisesNameWordsAndDropsLinesWithoutColon) {
    const std::pair<Text, Text> cases[] = {
        {"", ""},
        {"\r\n", ""},
        {"content-TYPE: text/html", "Content-TYPE: text/html"},
        {"a--b: c", "A--B: c"},
        {"-x: y", "-X: y"},
        {"x-: y", "X-: y"},
        {" accept: x", " accept: x"},
        {"no colon here", ""},
        {"a: 1\r\n\r\nb: 2", "A: 1\r\nB: 2"},
        {"\r\nx-y-z: a-b-c: d-e", "X-Y-Z: a-b-c: d-e"},
        {"1a-b: v\r\nnothing\r\nq:\r\n", "1a-B: v\r\nQ:"},
        // A dash inside a double-byte character starts no word; one after it does.
        {"\xB0-x-y: v", "\xB0-x-Y: v"},
        {"\xB5\xE3-a: v", "\xB5\xE3-A: v"},
    };
    for (const auto& [block, expected] : cases) EXPECT_EQ(NormalizeHeaderNames(block), expected) << block;
}

TEST(NormalizeHeaderNames, TurnsACompletedEmptyBlockIntoDefaultLines) {
    Text headers;
    CompleteRequestHeaders(headers, "U", false);
    EXPECT_EQ(NormalizeHeaderNames(headers),
              "Accept: */*\r\nReferer: U\r\nAccept-Language: zh-cn\r\n" + kDefaultUserAgent);
}

TEST(CapitalizeFirst, UpperCasesOnlyALeadingAsciiLetter) {
    const std::pair<Text, Text> cases[] = {
        {"", ""},     {"a", "A"},   {"abc", "Abc"},           {"Abc", "Abc"},   {"1a", "1a"},
        {" a", " a"}, {"zz", "Zz"}, {"\xE1\xE2", "\xE1\xE2"}, {"\xE1", "\xE1"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(CapitalizeFirst(text), expected) << text;
}

TEST(HeaderNameAndValue, SplitAtTheFirstColonAndTrim) {
    struct Case {
        Text line, name, value;
    };
    const Case cases[] = {
        {"Host:  example ", "Host", "example"},
        {"Host: a:80", "Host", "a:80"},
        {"no colon", "", ""},
        {"", "", ""},
        {":", "", ""},
        {" \xA1\xA1X-A \xA1\xA1: \xA1\xA1v w\xA1\xA1 ", "X-A", "v w"},  // full-width blanks trimmed too
        {"A:\tv\t", "A", "\tv\t"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderName(c.line), c.name) << c.line;
        EXPECT_EQ(HeaderValue(c.line), c.value) << c.line;
    }
}

TEST(RequestHeaderPairs, ListsPairsInBlockOrder) {
    struct Case {
        Text block;
        std::vector<HeaderPair> expected;
    };
    const Case cases[] = {
        {"", {{"", ""}}},
        {"Connection: keep-alive", {{"Connection", "keep-alive"}}},
        {"no colon", {{"", ""}}},
        {"Accept: */*\r\nConnection: keep-alive\r\nX: 1", {{"Accept", "*/*"}, {"X", "1"}}},
        {"Connection: Keep-Alive\r\nconnection: keep-alive\r\n",
         {{"Connection", "Keep-Alive"}, {"connection", "keep-alive"}}},
        {"\r\nA: 1\r\n\r\nA: 2\r\nbare\r\n", {{"A", "1"}, {"A", "2"}, {"", ""}}},
        {" Connection :  keep-alive \r\nB: 2", {{"B", "2"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(RequestHeaderPairs(c.block), c.expected) << c.block;
}

}  // namespace
