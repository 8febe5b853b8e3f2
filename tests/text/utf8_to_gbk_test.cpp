// UTF-8 to code page 936 through the system's conversion (iconv on Linux).
#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"
#include "text/text.h"

namespace {

struct ConversionCase {
    Bytes utf8;
    Text gbk;
};

TEST(Utf8ToGbk, ConvertsTextAndReplacesWhatCannotBeConverted) {
    const ConversionCase cases[] = {
        {{}, ""},
        {{0x61, 0x62, 0x63}, "abc"},
        {{0xE7, 0x82, 0xB9, 0xE5, 0x87, 0xBB}, "\xB5\xE3\xBB\xF7"},  // 点击
        {{0xEF, 0xBC, 0x9A}, "\xA3\xBA"},                            // the full-width colon
        {{0xE3, 0x80, 0x80}, "\xA1\xA1"},                            // the full-width space
        {{0xC2, 0xB7}, "\xA1\xA4"},
        {{0xE2, 0x80, 0x94}, "\xA1\xAA"},
        {{0xE9, 0xBE, 0x98}, "\xFD\x93"},  // characters beyond GB2312
        {{0xE4, 0xB9, 0x82}, "\x81\x56"},
        {{0xE2, 0x82, 0xAC}, "\x80"},  // the euro sign is a single byte
        {{0x61, 0x00, 0x62}, "a"},     // a zero byte ends the text
        {{0x00, 0x62}, ""},
        // Malformed UTF-8 and characters the code page lacks come out as "?".
        {{0xFF}, "?"},
        {{0x80, 0x80}, "??"},
        {{0xC0, 0xAF}, "??"},
        {{0xE7, 0x82, 0x61}, "?a"},
        {{0xC3, 0x28}, "?("},
        {{0xE7, 0xE7, 0x82, 0xB9}, "?\xB5\xE3"},
        {{0xEF, 0xBF, 0xBD}, "?"},
        {{0xEF, 0xBB, 0xBF, 0x61}, "?a"},
        {{0xF0, 0x9F, 0x98, 0x80}, "??"},  // one "?" for each UTF-16 half
        {{0xE2, 0x84, 0xA2}, "?"},
    };
    for (const ConversionCase& c : cases) EXPECT_EQ(Hex(Utf8ToGbk(c.utf8)), Hex(c.gbk)) << Hex(c.utf8);
}

// Where the system's conversion (here as Wine gives it) and iconv part ways: the system has
// best-fit replacements and maps the private use area to the code page's user-defined area; its
// UTF-8 decoder takes some ill-formed sequences as fewer parts, and at the very end of the input
// one replacement character takes every byte of a truncated sequence, ASCII included.
TEST(Utf8ToGbk, FollowsThePlatformWhereItsConversionsDiffer) {
    const struct {
        Bytes utf8;
        Text native;
        Text windows;
    } cases[] = {
        {{0xC3, 0x80}, "?", "\xA8\xA4"},  // À, best fit à
        {{0xC2, 0xA5}, "?", "\xA3\xA4"},  // ¥, best fit the full-width yen
        {{0xEE, 0x80, 0x80}, "?", "\xAA\xA1"},
        {{0xED, 0xA0, 0x80}, "???", "??"},  // an encoded surrogate
        {{0xE0, 0x80, 0x80}, "???", "??"},  // an overlong form
        {{0xE7, 0x61}, "?a", "?"},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        const Text& expected = c.windows;
#else
        const Text& expected = c.native;
#endif
        EXPECT_EQ(Hex(Utf8ToGbk(c.utf8)), Hex(expected)) << Hex(c.utf8);
    }
}

}  // namespace
