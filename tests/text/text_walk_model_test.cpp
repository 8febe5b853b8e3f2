// The character-step primitives against a plain model that walks one character at a time, on
// many short texts made of the bytes where faults hide (second bytes that look like ASCII, the
// full-width space, incomplete final characters); and the same primitives on large texts,
// where a walk that is not linear would never finish.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/text_test_support.h"
#include "text/text.h"

namespace {

bool IsLead(const Text& t, std::size_t i) { return static_cast<unsigned char>(t[i]) >= 0x80; }
std::size_t Step(const Text& t, std::size_t i) { return IsLead(t, i) ? 2 : 1; }
bool Incomplete(const Text& t, std::size_t i) { return IsLead(t, i) && i + 1 == t.size(); }

std::size_t BlankWidth(const Text& t, std::size_t i) {
    if (t[i] == ' ') return 1;
    if (t[i] == '\xA1' && i + 1 < t.size() && t[i + 1] == '\xA1') return 2;
    return 0;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether w starts at boundary i of t (wholly inside t), walking the characters of t.
bool MatchAt(const Text& t, std::size_t i, const Text& w, bool fold) {
    if (i + w.size() > t.size()) return false;
    std::size_t j = 0;
    while (j < w.size()) {
        if (IsLead(t, i + j)) {
            for (std::size_t k = j; k < j + 2 && k < w.size(); ++k)
                if (t[i + k] != w[k]) return false;
            j += 2;
        } else {
            if (fold ? Lower(t[i + j]) != Lower(w[j]) : t[i + j] != w[j]) return false;
            ++j;
        }
    }
    return true;
}

int ModelFind(const Text& t, const Text& w, int start, bool ignoreCase) {
    const std::size_t begin = start < 2 ? 0 : static_cast<std::size_t>(start - 1);
    if (begin >= t.size()) return -1;
    if (w.empty()) return 1;
    for (std::size_t i = begin; i < t.size(); i += Step(t, i)) {
        if (Incomplete(t, i)) return -1;
        if (MatchAt(t, i, w, ignoreCase)) return static_cast<int>(i) + 1;
    }
    return -1;
}

Text ModelReplace(const Text& t, const Text& w, const Text& r, int start, int count, bool caseSensitive) {
    if (start < 1) start = 1;
    const std::size_t n = t.size();
    if (t.empty() || w.empty() || static_cast<std::size_t>(start - 1) >= n || count == 0) return t;
    Text out = t.substr(0, static_cast<std::size_t>(start - 1));
    std::size_t i = static_cast<std::size_t>(start - 1);
    int made = 0;
    while (i < n) {
        if (made == count || n - i < w.size()) {
            out += t.substr(i);
            break;
        }
        const bool match = MatchAt(t, i, w, !caseSensitive);
        if (Incomplete(t, i)) {
            if (match) out += r;
            break;
        }
        if (match) {
            out += r;
            i += w.size();
            ++made;
        } else {
            out += t.substr(i, Step(t, i));
            i += Step(t, i);
        }
    }
    return out;
}

TextArray ModelSplit(const Text& t, const Text& sep) {
    if (t.empty()) return {};
    if (sep.empty()) return {t};
    TextArray out;
    std::size_t cut = 0;
    std::size_t i = 0;
    while (i < t.size() && !Incomplete(t, i)) {
        if (MatchAt(t, i, sep, false)) {
            out.push_back(t.substr(cut, i - cut));
            i += sep.size();
            cut = i;
        } else {
            i += Step(t, i);
        }
    }
    if (cut < t.size()) out.push_back(t.substr(cut));
    return out;
}

Text ModelTrim(const Text& t) {
    std::size_t i = 0;
    while (i < t.size() && BlankWidth(t, i) > 0) i += BlankWidth(t, i);
    const std::size_t first = i;
    std::size_t end = first;
    while (i < t.size()) {
        if (Incomplete(t, i)) return t.substr(first, i - first);
        if (BlankWidth(t, i) == 0) end = i + Step(t, i);
        i += Step(t, i);
    }
    return t.substr(first, end - first);
}

Text ModelRemoveSpaces(const Text& t) {
    Text out;
    for (std::size_t i = 0; i < t.size() && !Incomplete(t, i); i += Step(t, i))
        if (BlankWidth(t, i) == 0) out += t.substr(i, Step(t, i));
    return out;
}

Text ModelUpper(const Text& t) {
    Text out = t;
    for (std::size_t i = 0; i < t.size(); i += Step(t, i))
        if (t[i] >= 'a' && t[i] <= 'z') out[i] = static_cast<char>(t[i] - 'a' + 'A');
    return out;
}

Text ModelLower(const Text& t) {
    Text out = t;
    for (std::size_t i = 0; i < t.size(); i += Step(t, i))
        if (t[i] >= 'A' && t[i] <= 'Z') out[i] = static_cast<char>(t[i] - 'A' + 'a');
    return out;
}

Text RandomText(std::mt19937& random, std::size_t maxLength) {
    static const char kBytes[] = {'a', 'A', 'b', ' ', '\xA1', '\xB0', '\r', '\n', ';'};
    Text t(random() % (maxLength + 1), ' ');
    for (char& c : t) c = kBytes[random() % sizeof kBytes];
    return t;
}

TEST(CharacterWalks, AgreeWithAOneCharacterAtATimeModel) {
    std::mt19937 random(20261211);
    // Short texts reach every corner; long ones, runs of double-byte characters of any length.
    for (int round = 0; round < 22000; ++round) {
        const Text t = RandomText(random, round < 20000 ? 14 : 300);
        const Text w = RandomText(random, 3);
        const Text r = RandomText(random, 2);
        const int start = static_cast<int>(random() % (t.size() + 4)) - 1;
        const int count = static_cast<int>(random() % 5) - 1;
        const bool flag = random() % 2 == 0;
        const std::string where = "text " + Hex(t) + ", what " + Hex(w) + ", start " + std::to_string(start);

        ASSERT_EQ(FindText(t, w, start, flag), ModelFind(t, w, start, flag)) << where << ", ignore case " << flag;
        ASSERT_EQ(Hex(ReplaceText(t, w, r, start, count, flag)), Hex(ModelReplace(t, w, r, start, count, flag)))
            << where << ", replacement " << Hex(r) << ", count " << count << ", case sensitive " << flag;
        ASSERT_EQ(SplitText(t, w), ModelSplit(t, w)) << where;
        ASSERT_EQ(Hex(TrimBoth(t)), Hex(ModelTrim(t))) << where;
        ASSERT_EQ(Hex(RemoveSpaces(t)), Hex(ModelRemoveSpaces(t))) << where;
        ASSERT_EQ(Hex(ToUpper(t)), Hex(ModelUpper(t))) << where;
    }
}

// Where characters start depends on everything in front, so these texts are long and rich in
// double-byte characters.
TEST(CharacterWalks, CaseMappingAgreesWithTheModelOnLongTexts) {
    std::mt19937 random(1211);
    static const char kBytes[] = {'a', 'z', 'A', 'Z', '@', '[', '`', '{', ' ', '\x80', '\xB0', '\xC1', '\xDA', '\xFF'};
    for (int round = 0; round < 3000; ++round) {
        Text t(random() % 400, ' ');
        const unsigned leadShare = random() % 4;  // none, a few, half, most
        for (char& c : t) c = random() % 4 < leadShare ? kBytes[10 + random() % 4] : kBytes[random() % 10];
        ASSERT_EQ(Hex(ToUpper(t)), Hex(ModelUpper(t))) << Hex(t);
        ASSERT_EQ(Hex(ToLower(t)), Hex(ModelLower(t))) << Hex(t);
    }
    // One double-byte character among letters, at every place: the letters after it are
    // single-byte characters except its own second byte.
    for (std::size_t at = 0; at < 200; ++at) {
        const Text t = Text(at, 'A') + "\xB0" + Text(200 - at, 'A');
        ASSERT_EQ(Hex(ToLower(t)), Hex(ModelLower(t))) << at;
        ASSERT_EQ(Hex(ToUpper(ToLower(t))), Hex(ModelUpper(t))) << at;
    }
}

// Large enough that a walk which rescans what it has passed would not finish.
constexpr std::size_t kLarge = std::size_t{2} << 20;

TEST(CharacterWalks, StayLinearOnLargeTexts) {
    // A run of lead bytes: every byte is a candidate start, and where characters begin depends
    // on everything in front.
    const Text leads(kLarge, '\xB0');
    EXPECT_EQ(FindText(leads + "\xB0\xB1", "\xB0\xB1"), static_cast<int>(kLarge) + 1);
    EXPECT_EQ(FindText(leads + "\xB0\xB0\xB1", "\xB0\xB1"), -1);
    EXPECT_EQ(FindText(leads + "\xB0\xB0\xB1", "\xB0\xB1", 2), static_cast<int>(kLarge) + 2);
    EXPECT_EQ(TextLength(ReplaceText(leads, "\xB0\xB0", "x", 1, EVERY_OCCURRENCE, true)), static_cast<int>(kLarge / 2));
    EXPECT_EQ(TextLength(TrimBoth(leads + " \xA1\xA1")), static_cast<int>(kLarge));
    EXPECT_EQ(TextLength(TrimBoth(leads + "\xB0 ")), static_cast<int>(kLarge) + 2);  // the space is a second byte
    EXPECT_EQ(TextLength(RemoveSpaces(leads + "\xB0 \xA1\xA1")), static_cast<int>(kLarge) + 2);

    Text pairs;
    pairs.reserve(kLarge);
    while (pairs.size() < kLarge) pairs += "a ";
    EXPECT_EQ(TextLength(RemoveSpaces(pairs)), static_cast<int>(kLarge / 2));
    EXPECT_EQ(TextLength(ReplaceText(pairs, "A", "", 1, EVERY_OCCURRENCE, false)), static_cast<int>(kLarge / 2));
    Text lines;
    lines.reserve(kLarge);
    while (lines.size() < kLarge) lines += Text(62, '\xB0') + "\r\n";
    EXPECT_EQ(ArraySize(SplitText(lines, "\r\n")), static_cast<int>(kLarge / 64));
    EXPECT_EQ(FindText(pairs + "B", "b", 1, true), static_cast<int>(kLarge) + 1);
    EXPECT_EQ(TextLength(TrimBoth(BlankText(static_cast<int>(kLarge)) + "x" + BlankText(static_cast<int>(kLarge)))), 1);
    EXPECT_EQ(CompareText(ToLower(ToUpper(pairs)), pairs), 0);
}

}  // namespace
