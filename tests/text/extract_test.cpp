// Host, delimited-text and prefix extraction.
#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"
#include "text/text.h"

namespace {

TEST(ExtractHost, GivesTheLowerCaseHostWithoutSchemePortAndPath) {
    const struct {
        Text link;
        Text host;
    } cases[] = {
        {"https://Files.Example:81/a/b", "files.example"},
        {"files.example/x", "files.example"},
        {"dl.example:81", "dl.example"},
        {"HTTP://Files.Example", "files.example"},
        {"Location: http://dl.example/p?id=1", "dl.example"},
        {"Location: https://dl.example/p?id=1", "location"},
        {" https://dl.example/", " https"},
        {"https://", ""},
        {"https:///x", ""},
        {"", ""},
        {"HTTPS://A.Example/", "a.example"},
        {"https://a.example?x=1", "a.example?x=1"},  // only "/" and ":" end the host
        {"https://a.example/http://b.example/", "a.example"},
        {"\xC4\xE3"
         "A.example",
         "\xC4\xE3"
         "a.example"},
        // The first "http://" starts the host wherever it stands, after any "/" or ":".
        {"a/b:c http://X.example/p", "x.example"},
        {"a:b HTTP://X.example:1/", "x.example"},
        // An "H" that is the second byte of a character starts no "http://".
        {"\xC4"
         "HTTP://x.example/",
         "\xC4"
         "Http"},
        // Markers far into the text, and a long run of double-byte characters in front of one.
        {Text(70, 'Q') + "http://Far.Example/", "far.example"},
        {Text(70, 'Q') + "/x", Text(70, 'q')},
        {Text(70, '\xB0') + "Q:x/", Text(70, '\xB0') + "q"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractHost(c.link), c.host) << c.link;
}

TEST(TextBetween, TakesTheTextFromTheFirstLeftMarkerToTheNextRightMarker) {
    const Text quoteWord = "#\xD2\xFD\xBA\xC5";  // "#引号"
    const struct {
        Text text, left, right, expected;
    } cases[] = {
        {"a=1&key=XYZ&b=2", "key=", "&", "XYZ"},
        {"k=v", "k=", "&", ""},
        {"x&key=&y", "key=", "&", ""},
        {"k=v", "q=", "&", ""},
        {"&k=v", "k=", "&", ""},  // the right marker only in front of the left one
        {"a&k=1&k=2&", "k=", "&", "1"},
        {"[x][y]", "[", "]", "x"},
        {"K=v&k=w&", "k=", "&", "w"},  // markers are matched exactly
        {"name=\"v1\" id=\"v2\"", quoteWord, quoteWord, "v1"},
        {"id=\"v2\" name=\"v1\"", "name=" + quoteWord, quoteWord, "v1"},
        {"a=#\xD2\xFD\xBA\xC5"
         "b"
         "#\xD2\xFD\xBA\xC5",
         "a=", "b", "#\xD2\xFD\xBA\xC5"},  // the text is not rewritten
        // A marker byte that is the second byte of a character does not count.
        {"\xB0=x=y=", "=", "=", "y"},
        {"k=\xB0&v&", "k=", "&", "\xB0&v"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(TextBetween(c.text, c.left, c.right)), Hex(c.expected))
            << Hex(c.text) << " between " << Hex(c.left) << " and " << Hex(c.right);
    }
}

TEST(TextBefore, TakesTheTextInFrontOfTheFirstMarker) {
    const struct {
        Text text, marker, expected;
    } cases[] = {
        {"Set-Cookie: a=b", ": ", "Set-Cookie"},
        {"abc", ";", ""},
        {";abc", ";", ""},
        {"a;b;c", ";", "a"},
        {"A;a", "a", "A;"},
        {"\xB0;x;", ";", "\xB0;x"},
    };
    for (const auto& c : cases) EXPECT_EQ(TextBefore(c.text, c.marker), c.expected) << Hex(c.text);
}

TEST(SplitTrimmed, TrimsBothSidesOfTheFirstMarker) {
    const struct {
        Text text, marker;
        std::optional<Text> before, after;
    } cases[] = {
        {" a = b = c ", "=", "a", "b = c"},
        {"a=", "=", "a", ""},
        {"=", "=", "", ""},
        {"\xA1\xA1k\xA1\xA1:\xA1\xA1v ", ":", "k", "v"},
        {"\xB0=x=y", "=", "\xB0=x", "y"},  // a marker byte that is a second byte does not count
        {"abc", "=", std::nullopt, std::nullopt},
        {"", "=", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<TrimmedHalves> halves = SplitTrimmed(c.text, c.marker);
        ASSERT_EQ(halves.has_value(), c.before.has_value()) << Hex(c.text);
        if (!halves) continue;
        EXPECT_EQ(Hex(halves->before), Hex(*c.before)) << Hex(c.text);
        EXPECT_EQ(Hex(halves->after), Hex(*c.after)) << Hex(c.text);
    }
}

}  // namespace
