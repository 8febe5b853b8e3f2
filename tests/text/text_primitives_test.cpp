// Byte slicing, character-step walks and the small conversions. GBK bytes are written as hex
// escapes; a letter right after an escape is split off ("\xB0" "a") so it is not read as a
// hex digit.
#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"
#include "text/text.h"

namespace {

struct SliceCase {
    enum Op { kLeft, kRight, kMiddle } op;
    Text text;
    int start;  // TextMiddle only
    int count;
    Text expected;
};

TEST(TextSlicing, CutsByBytesAndClampsToTheText) {
    const SliceCase cases[] = {
        {SliceCase::kLeft, "abc", 0, 2, "ab"},
        {SliceCase::kLeft, "abc", 0, 9, "abc"},
        {SliceCase::kLeft, "abc", 0, 0, ""},
        {SliceCase::kLeft, "abc", 0, -1, ""},
        {SliceCase::kLeft, "", 0, 3, ""},
        {SliceCase::kLeft,
         "\xB0\xA1"
         "A",
         0, 1, "\xB0"},  // splits a double-byte character
        {SliceCase::kRight, "abc", 0, 2, "bc"},
        {SliceCase::kRight, "abc", 0, 9, "abc"},
        {SliceCase::kRight, "abc", 0, 0, ""},
        {SliceCase::kRight, "abc", 0, -5, ""},
        {SliceCase::kRight, "\xB0\xA1", 0, 1, "\xA1"},
        {SliceCase::kMiddle, "abcde", 2, 3, "bcd"},
        {SliceCase::kMiddle, "abcde", 4, 9, "de"},
        {SliceCase::kMiddle, "abcde", 5, 1, "e"},
        {SliceCase::kMiddle, "abcde", 6, 1, ""},
        {SliceCase::kMiddle, "abcde", 0, 2, ""},
        {SliceCase::kMiddle, "abcde", -1, 2, ""},
        {SliceCase::kMiddle, "abcde", 2, 0, ""},
        {SliceCase::kMiddle, "abcde", 2, -1, ""},
        {SliceCase::kMiddle, "\xB0\xA1\xB0\xA1", 2, 2, "\xA1\xB0"},
    };
    for (const SliceCase& c : cases) {
        Text got;
        switch (c.op) {
            case SliceCase::kLeft:
                got = TextLeft(c.text, c.count);
                break;
            case SliceCase::kRight:
                got = TextRight(c.text, c.count);
                break;
            case SliceCase::kMiddle:
                got = TextMiddle(c.text, c.start, c.count);
                break;
        }
        EXPECT_EQ(Hex(got), Hex(c.expected))
            << "op " << c.op << " of " << Hex(c.text) << " start " << c.start << " count " << c.count;
    }
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength("\xB0\xA1"
                         "a"),
              3);
}

struct FindCase {
    Text text;
    Text what;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(FindText, WalksInCharacterStepsFromTheStart) {
    const FindCase cases[] = {
        {"abc", "b", 1, false, 2},
        {"abcd", "cd", 1, false, 3},
        {"ab", "abc", 1, false, -1},
        {"abc", "c", 0, false, 3},  // a start below 2 searches from the first byte
        {"abc", "c", -7, false, 3},
        {"abc", "a", 2, false, -1},
        {"abc", "c", 3, false, 3},
        {"abc", "c", 4, false, -1},
        // Empty what: 1 when at least one byte is searched, whatever start is.
        {"abc", "", 1, false, 1},
        {"abc", "", 3, false, 1},
        {"abc", "", 4, false, -1},
        {"", "", 1, false, -1},
        {"", "a", 1, false, -1},
        // A byte that is the second byte of a character never starts an occurrence.
        {"\xB0\xA1", "\xA1", 1, false, -1},
        {"a\xB0"
         "ab",
         "a", 2, false, -1},
        {"a\xB0"
         "ab",
         "b", 1, false, 4},
        {"\xA1\xA1"
         "x",
         "\xA1"
         "x",
         1, false, -1},
        {"\xA1\xA1\xA1"
         "x",
         "\xA1"
         "x",
         1, false, 3},
        {"\xA1\xA1\xA1\xA1", "\xA1\xA1", 2, false, 2},  // counted from where the search began
        {"\xB0\xB0\xB0\xB1", "\xB0\xB1", 1, false, 3},
        {"\xB0\xB0\xB0\xB1", "\xB0\xB1", 2, false, -1},
        {"\xB0\xB0\xB0\xB0\xB1", "\xB0\xB1", 1, false, -1},
        {"\xB0\xB0\xB0\xB0\xB1", "\xB0\xB1", 2, false, 4},
        {"https://host/", "http://", 1, false, -1},
        {"x http://host/", "http://", 1, false, 3},
        // An incomplete final character ends the walk.
        {"ab\xB0", "\xB0", 1, false, -1},
        {"ab\xB0", "b", 1, false, 2},
        {"ab\xB0", "b\xB0", 1, false, 2},
        // Ignoring case folds ASCII letters only, never a byte of a double-byte character.
        {"x COOKIE: 1", "Cookie:", 1, true, 3},
        {"x COOKIE: 1", "Cookie:", 1, false, -1},
        {"\xB0"
         "a",
         "\xB0"
         "A",
         1, true, -1},
        {"\xB0"
         "a",
         "\xB0"
         "a",
         1, true, 1},
        {"\xB0"
         "aA",
         "a", 1, true, 3},
        {"\xC1"
         "A"
         "a",
         "\xC1"
         "a",
         1, true, -1},
        {"[@`{", "`", 1, true, 3},  // bytes next to the letters are not letters
        {"[@`{", "@", 1, true, 2},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(FindText(c.text, c.what, c.start, c.ignoreCase), c.expected)
            << Hex(c.what) << " in " << Hex(c.text) << " from " << c.start << (c.ignoreCase ? " ignoring case" : "");
    }
}

struct ReplaceCase {
    Text text;
    Text what;
    Text replacement;
    int start;
    int count;
    bool caseSensitive;
    Text expected;
};

TEST(ReplaceText, ReplacesInCharacterStepsWithoutSearchingTheReplacement) {
    const ReplaceCase cases[] = {
        {"Cookie: a; COOKIE:b", "Cookie:", "", 1, EVERY_OCCURRENCE, false, " a; b"},
        {"Cookie: a; COOKIE:b", "Cookie:", "", 1, EVERY_OCCURRENCE, true, " a; COOKIE:b"},
        {"aaa", "a", "aa", 1, EVERY_OCCURRENCE, true, "aaaaaa"},
        {"aaaa", "aa", "b", 1, EVERY_OCCURRENCE, true, "bb"},
        {"aaa", "aa", "b", 1, EVERY_OCCURRENCE, true, "ba"},
        {"abcabc", "b", "X", 3, EVERY_OCCURRENCE, true, "abcaXc"},
        {"abcabc", "b", "X", 0, EVERY_OCCURRENCE, true, "aXcaXc"},  // start below 1 counts as 1
        {"abab", "a", "X", 1, 1, true, "Xbab"},
        {"abab", "a", "X", 1, 0, true, "abab"},
        {"abc", "a", "X", 4, EVERY_OCCURRENCE, true, "abc"},
        {"abc", "c", "X", 3, EVERY_OCCURRENCE, true, "abX"},
        {"abc", "", "X", 1, EVERY_OCCURRENCE, true, "abc"},
        {"", "a", "X", 1, EVERY_OCCURRENCE, true, ""},
        {"\r\nx\r\n", "\r\n", "", 1, EVERY_OCCURRENCE, true, "x"},
        // Second bytes are stepped over and never folded.
        {"\xB0"
         "aa",
         "a", "X", 1, EVERY_OCCURRENCE, true,
         "\xB0"
         "aX"},
        {"\xB0"
         "Aa",
         "a", "X", 1, EVERY_OCCURRENCE, false,
         "\xB0"
         "AX"},
        {"\xB0\xA1\xA1", "\xA1\xA1", "_", 1, EVERY_OCCURRENCE, true, "\xB0\xA1\xA1"},
        // Walking from the start skips the bytes before it, characters or not.
        {"\xB0"
         "ab",
         "a", "X", 2, EVERY_OCCURRENCE, true,
         "\xB0"
         "Xb"},
        // An incomplete final character: dropped by a one-byte what that misses it, replaced by
        // one that matches it, copied when what is longer or the count is used up.
        {"ab\xB0", "a", "X", 1, EVERY_OCCURRENCE, true, "Xb"},
        {"ab\xB0", "z", "X", 1, EVERY_OCCURRENCE, true, "ab"},
        {"ab\xB0", "\xB0", "X", 1, EVERY_OCCURRENCE, true, "abX"},
        {"ab\xB0", "ab", "X", 1, EVERY_OCCURRENCE, true, "X\xB0"},
        {"ab\xB0", "zz", "X", 1, EVERY_OCCURRENCE, true, "ab\xB0"},
        {"aab\xB0", "a", "X", 1, 1, true, "Xab\xB0"},
        {"aab\xB0", "a", "X", 1, 2, true, "XXb\xB0"},
        {"aab\xB0", "a", "X", 1, 3, true, "XXb"},
    };
    for (const ReplaceCase& c : cases) {
        EXPECT_EQ(Hex(ReplaceText(c.text, c.what, c.replacement, c.start, c.count, c.caseSensitive)), Hex(c.expected))
            << Hex(c.what) << " -> " << Hex(c.replacement) << " in " << Hex(c.text) << " from " << c.start << " count "
            << c.count << (c.caseSensitive ? " exact" : " any case");
    }
    EXPECT_EQ(ReplaceText("a-b-c", "-"), "abc");  // the defaults delete every occurrence
    EXPECT_EQ(ReplaceText("aXx", "x"), "a");      // and ignore case
}

struct SplitCase {
    Text text;
    Text separator;
    TextArray expected;
};

TEST(SplitText, CutsAtEverySeparatorWithoutATrailingEmptyMember) {
    const SplitCase cases[] = {
        {"a\r\n\r\nb\r\n", "\r\n", {"a", "", "b"}},
        {"\r\na", "\r\n", {"", "a"}},
        {"\r\n", "\r\n", {""}},
        {"", "\r\n", {}},
        {"abc", "", {"abc"}},
        {"abc", ";", {"abc"}},
        {"a;b", ";", {"a", "b"}},
        {"a;;", ";", {"a", ""}},
        {"aXbxc", "x", {"aXb", "c"}},
        {"\xB0;a;b", ";", {"\xB0;a", "b"}},
        {"a;\xB0", ";", {"a", "\xB0"}},
        {"a\xB0", "\xB0", {"a\xB0"}},  // the incomplete final character ends the walk
        {"a;b\xB0", ";", {"a", "b\xB0"}},
    };
    for (const SplitCase& c : cases) {
        const TextArray got = SplitText(c.text, c.separator);
        EXPECT_EQ(got, c.expected) << Hex(c.text) << " at " << Hex(c.separator);
        EXPECT_EQ(ArraySize(got), static_cast<int>(c.expected.size()));
    }
}

TEST(JoinText, PutsTheSeparatorBetweenMembersOnly) {
    const struct {
        TextArray members;
        Text separator;
        Text expected;
    } cases[] = {
        {{}, "; ", ""},
        {{""}, "; ", ""},
        {{"a"}, "; ", "a"},
        {{"a", "", "b"}, "; ", "a; ; b"},
        {{"", ""}, ",", ","},
        {{"a", "b"}, "", "ab"},
        {{"\xB0", "a"},
         "\xA1",
         "\xB0\xA1"
         "a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(JoinText(c.members, c.separator)), Hex(c.expected)) << Hex(c.separator);
}

struct BlankCase {
    Text text;
    Text trimmed;
    Text withoutSpaces;
};

TEST(Blanks, AreTheSpaceAndTheFullWidthSpaceWhereTheyFormACharacter) {
    const BlankCase cases[] = {
        {"  a b  ", "a b", "ab"},
        {" a b\tc ", "a b\tc", "ab\tc"},
        {"\xA1\xA1"
         "a\xA1\xA1",
         "a", "a"},
        {" \ta\n\r ", "\ta\n\r", "\ta\n\r"},
        {"   ", "", ""},
        {"\xA1\xA1 \xA1\xA1", "", ""},
        {"", "", ""},
        {"x \xA1\xA1 ", "x", "x"},
        // A space or 0xA1 that is a second byte is not blank.
        {"\xB0 ", "\xB0 ", "\xB0 "},
        {"\xB0\xA1\xA1"
         "x",
         "\xB0\xA1\xA1"
         "x",
         "\xB0\xA1\xA1"
         "x"},
        {" \xB0\xA1\xA1 x", "\xB0\xA1\xA1 x", "\xB0\xA1\xA1 x"},
        {"a\xB0\xA1\xA1\xA1", "a\xB0\xA1", "a\xB0\xA1"},
        // An incomplete final character: trimming cuts in front of it and removes nothing else at
        // the end; space removal drops it.
        {"a \xB0", "a ", "a"},
        {"a\xA1\xA1\xA1", "a\xA1\xA1", "a"},
        {"a\xB0\xA1\xA1\xA1\xA1", "a\xB0\xA1\xA1\xA1", "a\xB0\xA1"},
        {" \xA1", "", ""},
        {"\xB0\xA1\xA1", "\xB0\xA1", "\xB0\xA1"},
    };
    for (const BlankCase& c : cases) {
        EXPECT_EQ(Hex(TrimBoth(c.text)), Hex(c.trimmed)) << "trimming " << Hex(c.text);
        EXPECT_EQ(Hex(RemoveSpaces(c.text)), Hex(c.withoutSpaces)) << "removing spaces from " << Hex(c.text);
    }
}

struct CaseMappingCase {
    Text text;
    Text upper;
    Text lower;
};

TEST(CaseMapping, ChangesOneByteLettersOnly) {
    const CaseMappingCase cases[] = {
        {"\x61\xB0\x61\x62", "\x41\xB0\x61\x42", "\x61\xB0\x61\x62"},
        {"Hello, World! 09@[`{", "HELLO, WORLD! 09@[`{", "hello, world! 09@[`{"},
        {"\xC1"
         "A"
         "b",
         "\xC1"
         "AB",
         "\xC1"
         "Ab"},
        {"aZ\xB0", "AZ\xB0", "az\xB0"},  // an incomplete final character stays
        {"", "", ""},
    };
    for (const CaseMappingCase& c : cases) {
        EXPECT_EQ(Hex(ToUpper(c.text)), Hex(c.upper)) << Hex(c.text);
        EXPECT_EQ(Hex(ToLower(c.text)), Hex(c.lower)) << Hex(c.text);
    }
}

TEST(CharacterCodes, AreSignedBytesThatToByteTurnsBack) {
    EXPECT_EQ(CharCode("\xB0"
                       "a"),
              -80);
    EXPECT_EQ(CharCode("\xB0"
                       "a",
                       2),
              'a');
    EXPECT_EQ(CharCode("ab", 3), 0);
    EXPECT_EQ(CharCode("ab", 0), 0);
    EXPECT_EQ(CharCode(""), 0);
    EXPECT_EQ(ToByte(-80), 0xB0);
    EXPECT_EQ(CharFromCode(0), "");
    for (int byte = 1; byte <= 255; ++byte) {
        const Text one = CharFromCode(byte);
        ASSERT_EQ(TextLength(one), 1) << byte;
        const int code = CharCode(one);
        EXPECT_TRUE(code >= -128 && code <= 127) << byte;
        EXPECT_EQ(ToByte(code), byte);
    }
    EXPECT_EQ(ToByte(256), 0);
    EXPECT_EQ(ToByte(0x1FF), 0xFF);
    EXPECT_EQ(ToByte(-1), 0xFF);
}

TEST(CompareText, OrdersBytesAsUnsignedWithThePrefixFirst) {
    const struct {
        Text a, b;
        int expected;
    } cases[] = {
        {"a", "b", -1},   {"b", "a", 1},  {"a", "a", 0}, {"a", "ab", -1}, {"ab", "a", 1},
        {"\xB0", "a", 1}, {"A", "a", -1}, {"", "", 0},   {"", "a", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(CompareText(c.a, c.b), c.expected) << Hex(c.a) << " vs " << Hex(c.b);
}

TEST(Conversions, KeepEveryByteOfATextAndCutBytesAtZero) {
    EXPECT_EQ(BytesToText(TextToBytes({0x41, 0x00, 0x42})), "A");
    EXPECT_EQ(BytesToText({}), "");
    EXPECT_EQ(BytesToText(TextToBytes({0x00, 0x42})), "");
    EXPECT_EQ(BytesToText(TextToBytes({0xB0, 0xA1})), "\xB0\xA1");
    EXPECT_EQ(TextToBytes(""), Bytes());
    EXPECT_EQ(TextToBytes("\xB0"
                          "a"),
              (Bytes{0xB0, 0x61}));
    EXPECT_EQ(TextToBytes({0x41, 0x142, -1}), (Bytes{0x41, 0x42, 0xFF}));
    EXPECT_EQ(BlankText(3), "   ");
    EXPECT_EQ(BlankText(0), "");
    EXPECT_EQ(BlankText(-2), "");
    EXPECT_EQ(ConcatText("a", Text("\xB0\xA1"), "", "c"),
              "a\xB0\xA1"
              "c");
}

TEST(BytesPrimitives, CountSliceCompareAndJoin) {
    const Bytes abc{0x61, 0x00, 0x63};
    EXPECT_EQ(BlankBytes(3), (Bytes{0, 0, 0}));
    EXPECT_EQ(BlankBytes(0), Bytes());
    EXPECT_EQ(BlankBytes(-1), Bytes());
    EXPECT_EQ(BytesLength(abc), 3);
    EXPECT_EQ(BytesLength({}), 0);
    EXPECT_EQ(BytesLeft(abc, 2), (Bytes{0x61, 0x00}));
    EXPECT_EQ(BytesLeft(abc, 9), abc);
    EXPECT_EQ(BytesLeft(abc, 0), Bytes());
    EXPECT_EQ(BytesLeft(abc, -1), Bytes());
    EXPECT_TRUE(CompareBytes(abc, Bytes{0x61, 0x00, 0x63}));
    EXPECT_FALSE(CompareBytes(abc, Bytes{0x61, 0x00}));
    EXPECT_FALSE(CompareBytes(abc, Bytes{0x61, 0x01, 0x63}));
    EXPECT_TRUE(CompareBytes({}, {}));
    EXPECT_EQ(ConcatBytes(abc, Bytes{}, Bytes{0xFF}), (Bytes{0x61, 0x00, 0x63, 0xFF}));
    EXPECT_EQ(ConcatBytes(Bytes{}, Bytes{}), Bytes());
}

TEST(IntegerHelpers, TruncateAndShiftAs32BitValues) {
    EXPECT_EQ(IntDivide(7, 4), 1);
    EXPECT_EQ(IntDivide(-7, 4), -1);
    EXPECT_EQ(IntDivide(8, 4), 2);
    EXPECT_EQ(Modulo(7, 4), 3);
    EXPECT_EQ(Modulo(-7, 4), -3);
    EXPECT_EQ(Modulo(7, 3), 1);
    EXPECT_EQ(BitAnd(0x1234, 0xFF), 0x34);
    EXPECT_EQ(BitOr(0x1200, 0x34), 0x1234);
    EXPECT_EQ(BitAnd(-1, 0x0F), 0x0F);
    EXPECT_EQ(ShiftLeft(1, 4), 16);
    EXPECT_EQ(ShiftLeft(0x40000001, 2), 4);  // bits beyond bit 31 are lost
    EXPECT_EQ(ShiftLeft(0x30000000, 2), static_cast<std::int32_t>(0xC0000000u));
    EXPECT_EQ(ShiftRight(64, 6), 1);
    EXPECT_EQ(ShiftRight(-64, 2), -16);
    EXPECT_EQ(ShiftRight(-1, 6), -1);
    EXPECT_EQ(ArraySize({}), 0);
    EXPECT_EQ(ArraySize({"a", ""}), 2);
}

}  // namespace
