// Searching, replacing, splitting and the two marker extractions, held against
// plain one-step-at-a-time walks and against each other.
#include "tests/fuzz/fuzz_support.h"

namespace {

// "#引号": how callers write a double quote inside a marker.
const Text kQuoteWord = "#\xD2\xFD\xBA\xC5";

void CheckFind(const Text& text, const Text& what, int start) {
    for (bool ignoreCase : {false, true}) {
        const int found = FindText(text, what, start, ignoreCase);
        FUZZ_CHECK(found == SlowFind(text, what, start, ignoreCase));
        FUZZ_CHECK(found == -1 || (found >= 1 && found <= TextLength(text)));
    }
    // Ignoring case is the same as comparing both sides mapped to one case,
    // when the search begins where the mapping sees a character begin.
    const std::size_t begin = start < 2 ? 0 : static_cast<std::size_t>(start) - 1;
    if (begin < text.size() && !StartsCharacter(text, begin)) return;
    const int folded = FindText(text, what, start, true);
    FUZZ_CHECK(folded == FindText(ToUpper(text), ToUpper(what), start, false));
    FUZZ_CHECK(folded == FindText(ToLower(text), ToLower(what), start, false));
}

void CheckReplace(const Text& text, const Text& what, const Text& replacement, int start, int count,
                  bool caseSensitive) {
    const Text replaced = ReplaceText(text, what, replacement, start, count, caseSensitive);
    FUZZ_CHECK(replaced == SlowReplace(text, what, replacement, start, count, caseSensitive));
    FUZZ_CHECK(!HoldsZeroByte(replaced));
    if (what.empty() || count == 0) {
        FUZZ_CHECK(replaced == text);
        return;
    }
    // Nothing found means nothing replaced, but for a lone first byte at the
    // end: the search stops in front of it, while a one-byte replacement walks
    // onto it and replaces or drops it.
    const int found = FindText(text, what, start, !caseSensitive);
    const std::size_t begin = start < 2 ? 0 : static_cast<std::size_t>(start) - 1;
    if (found == -1) {
        if (what.size() == 1 && begin < text.size() && EndsIncomplete(text, begin)) {
            const Text last = TextRight(text, 1);
            FUZZ_CHECK(replaced == ConcatText(TextLeft(text, TextLength(text) - 1), last == what ? replacement : ""));
        } else {
            FUZZ_CHECK(replaced == text);
        }
    } else {
        // A one-byte what may leave the walk on a lone first byte at the end,
        // which it drops, making up for a longer replacement.
        const bool mayDropLastByte = what.size() == 1 && static_cast<unsigned char>(text.back()) >= 0x80;
        if (replacement.size() != what.size() && !mayDropLastByte) FUZZ_CHECK(replaced != text);
    }
}

void CheckSplit(const Text& text, const Text& separator) {
    const TextArray members = SplitText(text, separator);
    FUZZ_CHECK(members == SlowSplit(text, separator));
    FUZZ_CHECK(ArraySize(members) == static_cast<int>(members.size()));
    if (text.empty()) {
        FUZZ_CHECK(members.empty());
        return;
    }
    // Joining gives the text back, less at most one separator at its end.
    const Text joined = JoinText(members, separator);
    FUZZ_CHECK(joined == text || ConcatText(joined, separator) == text);
    if (separator.empty()) return;
    for (const Text& member : members) FUZZ_CHECK(FindText(member, separator) == -1);
}

void CheckBetween(const Text& text, const Text& left, const Text& right) {
    const Text between = TextBetween(text, left, right);
    if (!between.empty()) {
        const int p = FindText(text, left);
        FUZZ_CHECK(p != -1);
        const int s = p + TextLength(left);
        FUZZ_CHECK(TextMiddle(text, s, TextLength(between)) == between);
        FUZZ_CHECK(FindText(text, right, s) == s + TextLength(between));
        FUZZ_CHECK(FindText(between, right) == -1);
    } else if (const int p = FindText(text, left); p != -1 && !right.empty()) {
        // Empty although the left marker is there: the right one follows at once or not at all.
        const int s = p + TextLength(left);
        const int q = FindText(text, right, s);
        FUZZ_CHECK(q == -1 || q == s);
    }
    // A quote written as the marker word finds what a plain quote finds.
    FUZZ_CHECK(TextBetween(text, kQuoteWord, kQuoteWord) == TextBetween(text, "\"", "\""));
    if (!EndsIncomplete(left)) {
        FUZZ_CHECK(TextBetween(text, ConcatText(left, kQuoteWord), right) ==
                   TextBetween(text, ConcatText(left, "\""), right));
    }
}

void CheckBefore(const Text& text, const Text& marker) {
    const Text before = TextBefore(text, marker);
    const int p = FindText(text, marker);
    if (p == -1) {
        FUZZ_CHECK(before.empty());
        return;
    }
    FUZZ_CHECK(TextLength(before) == p - 1);
    FUZZ_CHECK(text.compare(0, before.size() + marker.size(), ConcatText(before, marker)) == 0);
    if (!marker.empty()) FUZZ_CHECK(FindText(before, marker) == -1);
}

// Markers without the marker word, so a marker is the bytes it is searched as.
Text WithoutQuoteWord(Text marker) {
    std::erase(marker, '#');
    return marker;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int start = TakeNumber(input, -2, 70);
    const int count = TakeNumber(input, -1, 4);
    const bool caseSensitive = input.ConsumeBool();
    const Text what = TakeText(input, 8);
    const Text replacement = TakeText(input, 8);
    const Text text = TakeText(input, 512);

    CheckFind(text, what, start);
    CheckReplace(text, what, replacement, start, count, caseSensitive);
    CheckSplit(text, what);
    CheckBetween(text, WithoutQuoteWord(what), WithoutQuoteWord(replacement));
    CheckBefore(text, what);
    return 0;
}
