// Trimming, blank removal, case mapping, byte slicing, character codes,
// comparison and host extraction.
#include "tests/fuzz/fuzz_support.h"
#include "tests/reference/host_rule.h"

namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

void CheckTrimAndSpaces(const Text& text) {
    const Text trimmed = TrimBoth(text);
    FUZZ_CHECK(trimmed == SlowTrim(text));
    FUZZ_CHECK(text.find(trimmed) != Text::npos);
    if (EndsIncomplete(text)) {
        // Cut in front of the lone last byte, with the blanks before it left.
        FUZZ_CHECK(TrimBoth(trimmed) == TrimBoth(TextLeft(text, TextLength(text) - 1)));
    } else {
        FUZZ_CHECK(TrimBoth(trimmed) == trimmed);
    }
    if (!trimmed.empty() && !EndsIncomplete(text)) {
        const Walk walk = WalkFrom(trimmed);
        FUZZ_CHECK(!walk.incomplete);
        FUZZ_CHECK(!IsBlankAt(trimmed, 0) && !IsBlankAt(trimmed, walk.starts.back()));
    }

    const Text spaceless = RemoveSpaces(text);
    FUZZ_CHECK(spaceless == SlowRemoveSpaces(text));
    FUZZ_CHECK(RemoveSpaces(spaceless) == spaceless);
    FUZZ_CHECK(TrimBoth(spaceless) == spaceless);
    FUZZ_CHECK(FindText(spaceless, " ") == -1 && FindText(spaceless, "\xA1\xA1") == -1);
    FUZZ_CHECK(RemoveSpaces(trimmed) == spaceless);
}

void CheckCase(const Text& text) {
    const Text upper = ToUpper(text);
    const Text lower = ToLower(text);
    FUZZ_CHECK(upper.size() == text.size() && lower.size() == text.size());
    // Only one-byte characters change; second bytes and a lone last byte stay.
    std::vector<bool> mapped(text.size(), false);
    for (std::size_t at : WalkFrom(text).starts) {
        if (static_cast<unsigned char>(text[at]) < 0x80) mapped[at] = true;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!mapped[i]) {
            FUZZ_CHECK(upper[i] == text[i] && lower[i] == text[i]);
            continue;
        }
        FUZZ_CHECK(!IsLower(upper[i]) && !IsUpper(lower[i]));
        FUZZ_CHECK(upper[i] == text[i] || (IsLower(text[i]) && upper[i] == text[i] - 'a' + 'A'));
        FUZZ_CHECK(lower[i] == text[i] || (IsUpper(text[i]) && lower[i] == text[i] - 'A' + 'a'));
    }
    FUZZ_CHECK(ToLower(lower) == lower && ToUpper(upper) == upper);
    FUZZ_CHECK(ToLower(upper) == lower && ToUpper(lower) == upper);
}

void CheckSlices(const Text& text, int count, int start) {
    const int n = TextLength(text);
    const int taken = std::clamp(count, 0, n);
    const Text left = TextLeft(text, count);
    const Text right = TextRight(text, count);
    FUZZ_CHECK(left == text.substr(0, static_cast<std::size_t>(taken)));
    FUZZ_CHECK(right == text.substr(static_cast<std::size_t>(n - taken)));
    FUZZ_CHECK(ConcatText(left, TextMiddle(text, taken + 1, n)) == text);
    FUZZ_CHECK(ConcatText(TextLeft(text, n - taken), right) == text);

    const Text middle = TextMiddle(text, start, count);
    if (start < 1 || start > n || count <= 0) {
        FUZZ_CHECK(middle.empty());
    } else {
        FUZZ_CHECK(middle == text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
    }

    const int code = CharCode(text, start);
    FUZZ_CHECK(code >= -128 && code <= 127);
    if (start < 1 || start > n) {
        FUZZ_CHECK(code == 0);
    } else {
        FUZZ_CHECK(ToByte(code) == static_cast<unsigned char>(text[static_cast<std::size_t>(start - 1)]));
        FUZZ_CHECK(CharFromCode(ToByte(code)) == TextMiddle(text, start, 1));
    }
}

int Sign(int v) { return (v > 0) - (v < 0); }

void CheckCompare(const Text& a, const Text& b) {
    const int order = CompareText(a, b);
    FUZZ_CHECK(order == Sign(a.compare(b)));
    FUZZ_CHECK(CompareText(b, a) == -order);
    FUZZ_CHECK((order == 0) == (a == b));
    FUZZ_CHECK(CompareBytes(TextToBytes(a), TextToBytes(b)) == (a == b));
    FUZZ_CHECK(BytesToText(TextToBytes(a)) == a);
}

void CheckHost(const Text& link, const Text& tail) {
    const Text host = ExtractHost(link);
    FUZZ_CHECK(host == ExtractHostByTheRule(link));
    FUZZ_CHECK(ToLower(host) == host);
    FUZZ_CHECK(FindText(host, "/") == -1 && FindText(host, ":") == -1);
    FUZZ_CHECK(!EndsIncomplete(host));
    FUZZ_CHECK(ExtractHost(ToUpper(link)) == host);
    // A host comes back out of any https link built on it.
    FUZZ_CHECK(ExtractHost(ConcatText("https://", host, "/", tail)) == host);
    // Behind a port the host ends at the first slash of the tail, or at the one added after it.
    if (SlashFollows(tail)) FUZZ_CHECK(ExtractHost(ConcatText("https://", ToUpper(host), ":", tail)) == host);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int count = TakeNumber(input, -3, 100);
    const int start = TakeNumber(input, -3, 100);
    const Text other = TakeText(input, 16);
    const Text text = TakeText(input, 512);

    CheckTrimAndSpaces(text);
    CheckCase(text);
    CheckSlices(text, count, start);
    CheckCompare(text, other);
    CheckHost(text, other);
    return 0;
}
