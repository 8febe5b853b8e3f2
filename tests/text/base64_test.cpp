// Base64 encoding and the lenient decoder.
#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"
#include "text/text.h"

namespace {

Bytes B(const char* text) { return TextToBytes(Text(text)); }

TEST(Base64Encode, GivesPaddedBase64OnOneLine) {
    const struct {
        Bytes data;
        Text encoded;
    } cases[] = {
        {B("abc"), "YWJj"},
        {B("ab"), "YWI="},
        {B("a"), "YQ=="},
        {{0xFF, 0xFE}, "//4="},
        {{}, ""},
        {{0x00}, "AA=="},
        {{0xFB, 0xEF, 0xBE}, "++++"},
        {B("user:pass"), "dXNlcjpwYXNz"},
    };
    for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.data), c.encoded) << Hex(c.data);

    const Text long_ = Base64Encode(Bytes(1000, 0x5A));
    EXPECT_EQ(TextLength(long_), 1336);
    EXPECT_EQ(FindText(long_, "\n"), -1);
    EXPECT_EQ(FindText(long_, "="), 1335);
}

TEST(Base64Decode, GivesBackEveryEncodedValue) {
    for (int length = 0; length <= 66; ++length) {
        Bytes data(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i) data[static_cast<std::size_t>(i)] = ToByte(i * 37 + length);
        EXPECT_EQ(Hex(Base64Decode(Base64Encode(data))), Hex(data)) << "length " << length;
    }
}

TEST(Base64Decode, IsLenientAboutBlanksPaddingAndStrayBytes) {
    const struct {
        Text text;
        Bytes decoded;
    } cases[] = {
        {"YWJj", {0x61, 0x62, 0x63}},
        {"YWI=", {0x61, 0x62}},
        {"YQ==", {0x61}},
        {"YQ=", {0x61}},
        {"YW Jj\r\n", {0x61, 0x62, 0x63}},
        {"YWJj\r\nYWJj", {0x61, 0x62, 0x63, 0x61, 0x62, 0x63}},
        {"YWJ\xA1\xA1j", {0x61, 0x62, 0x63}},
        {"YWJ\r \nj", {0x61, 0x62, 0x63}},  // the pair forms once the blank is gone
        {"YWJjZA", {0x61, 0x62, 0x63, 0x64, 0x00, 0x00}},
        {"YQ", {0x61, 0x00, 0x00}},
        {"Y", {0x60, 0x00, 0x00}},
        {"YW=jYWJj", {0x61, 0x6F, 0x40, 0x61, 0x62, 0x63}},
        {"YWJjYW=jYWJj", {0x61, 0x62, 0x63, 0x61, 0x6F, 0x63, 0x61, 0x62, 0x63}},
        {"YWJ\nj", {0x61, 0x62, 0x4A, 0x8C, 0x00, 0x00}},
        {"  \r\n\xA1\xA1\r\n ", {}},
        {"", {}},
        // A last group cut short at its first byte adds nothing; the group before keeps its bytes.
        {"YWJj=", {0x61, 0x62, 0x63}},
        {"YWJj\t", {0x61, 0x62, 0x63}},
        {"YWJj\n", {0x61, 0x62, 0x63}},
        {"=", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(Base64Decode(c.text)), Hex(c.decoded)) << Hex(c.text);
}

}  // namespace
