#include <gtest/gtest.h>

#include "http/http_request.h"

namespace {

TEST(ExtractResponseCookies, CollectsTheItemsOfSetCookieLines) {
    const std::pair<Text, Text> cases[] = {
        {"Set-Cookie: a=1; Path=/\r\nContent-Type: text/html\r\nSet-Cookie: b=2", "a=1; b=2"},
        {"", ""},
        {"Content-Type: text/html\r\n", ""},
        {"set-cookie: c=3\r\nSet-Cookie:d=4\r\nX-Set-Cookie: e=5", ""},
        {"Set-Cookie: a=1\r\nSet-Cookie: a=2", "a=1; a=2"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie:  s=v w ; HttpOnly\r\n\r\n", "s=v w"},
        {"Set-Cookie: ;x", ""},
        {"Set-Cookie: a=1\r\nSet-Cookie: ", "a=1; "},
        {"Set-Cookie: a=1 Set-Cookie:b=2", "a=1 b=2"},
    };
    for (const auto& [block, expected] : cases) EXPECT_EQ(ExtractResponseCookies(block), expected) << block;
}

TEST(MergeCookies, ReceivedCookiesWinAndTheResultIsLeftInTheSentText) {
    struct Case {
        Text sent, received, expected;
    };
    const Case cases[] = {
        {"a=1; x=9", "a=2; b=3", "a=2; b=3; x=9"},
        {"a=1", "a=deleted; b=3", "b=3"},
        {"", "a=DELETED", "a=DELETED"},
        {"x=1; x=2", "", "x=1"},
        {"q=a b", "", "q=ab"},
        {"q=a\xA1\xA1"
         "b",
         "", "q=ab"},
        {"", "a=1; a=1", "a=1"},
        {"", "a=1; a=2", "a=1; a=2"},
        {"", "", ""},
        {"", "a=1;;b=2", "a=1; ; b=2"},
        {"flag; a=1", "flag", "flag; a=1"},
        {"gone=deleted; k=v", "", "k=v"},
        {"b=1", "a=1; a=deleted", "a=1; b=1"},
    };
    for (const Case& c : cases) {
        Text sent = c.sent;
        EXPECT_EQ(MergeCookies(sent, c.received), c.expected) << c.sent << " | " << c.received;
        EXPECT_EQ(sent, c.expected);
    }
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEquals) {
    const std::pair<Text, Text> cases[] = {
        {"a=1", "a"}, {" a =1=2", "a"}, {"flag", "flag"}, {" flag ", "flag"}, {"", ""}, {"=v", ""},
    };
    for (const auto& [item, expected] : cases) EXPECT_EQ(CookieName(item), expected) << item;
}

TEST(HasCookieNamed, ComparesNamesExactly) {
    const TextArray items = {"a=1", " B =2", "c"};
    EXPECT_TRUE(HasCookieNamed(items, "a"));
    EXPECT_TRUE(HasCookieNamed(items, "B"));
    EXPECT_TRUE(HasCookieNamed(items, "c"));
    EXPECT_FALSE(HasCookieNamed(items, "b"));
    EXPECT_FALSE(HasCookieNamed(items, "a=1"));
    EXPECT_FALSE(HasCookieNamed({}, ""));
}

TEST(RemoveDuplicateItems, KeepsEachFirstOccurrenceInPlace) {
    struct Case {
        Text text, separator, expected;
    };
    const Case cases[] = {
        {"a; b; a; c", "; ", "a; b; c"},     {"", "; ", ""},
        {"a=1; a=2; a=1", "; ", "a=1; a=2"}, {"x,x,,y,", ",", "x,,y"},
        {"; a; ; a", "; ", "; a"},           {"abc", "", "abc"},
    };
    for (const Case& c : cases) EXPECT_EQ(RemoveDuplicateItems(c.text, c.separator), c.expected) << c.text;
}

}  // namespace
