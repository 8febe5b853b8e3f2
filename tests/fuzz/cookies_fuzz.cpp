// Cookies: collecting Set-Cookie lines from a header block built of known
// lines, merging sent and received cookies, and removing repeated items.
#include "http/http_request.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/reference/cookie_rule.h"

namespace {

void CheckExtraction(FuzzedDataProvider& input) {
    TextArray lines;
    TextArray items;
    while (lines.size() < 6 && input.remaining_bytes() > 0) {
        const Text part = AsLinePart(TakeText(input, 24));
        if (input.ConsumeBool()) {
            lines.push_back(ConcatText("Set-Cookie: ", part));
            const int semicolon = FindText(part, ";");
            items.push_back(TrimBoth(semicolon == -1 ? part : TextLeft(part, semicolon - 1)));
            // Without attributes every "Set-Cookie:" goes, in any case; keep such parts out.
            if (semicolon == -1 && FindText(part, "Set-Cookie:", 1, true) != -1) return;
        } else if (TextBefore(part, ": ") != "Set-Cookie") {
            lines.push_back(part);
        }
    }
    const Text cookies = ExtractResponseCookies(JoinText(lines, "\r\n"));
    FUZZ_CHECK(cookies == JoinText(items, "; "));
}

void CheckMerge(const Text& sent, const Text& received) {
    Text inOut = sent;
    const Text merged = MergeCookies(inOut, received);
    FUZZ_CHECK(inOut == merged);
    FUZZ_CHECK(merged == MergeCookiesByTheRule(sent, received));

    const TextArray items = SplitText(merged, "; ");
    for (std::size_t i = 0; i < items.size(); ++i) {
        FUZZ_CHECK(RemoveSpaces(items[i]) == items[i]);
        FUZZ_CHECK(!IsDeletedCookieByTheRule(items[i]));
        for (std::size_t j = 0; j < i; ++j) FUZZ_CHECK(items[j] != items[i]);
    }
    // A merged text merges into nothing as itself, unless it ends in an empty
    // item (a received text ending in ";;"), whose separator the next merge drops.
    Text none;
    FUZZ_CHECK(MergeCookies(none, merged) == merged || TextRight(merged, 2) == "; ");
}

void CheckDuplicates(const Text& text, const Text& separator) {
    // Idempotent, but for an empty last item: its separator stays at the end
    // and the next split drops it.
    const Text once = RemoveDuplicateItems(text, separator);
    FUZZ_CHECK(once == RemoveDuplicateItemsByTheRule(text, separator));
    FUZZ_CHECK(RemoveDuplicateItems(once, separator) == once ||
               (!separator.empty() && TextRight(once, TextLength(separator)) == separator));
    // A separator ending in a lone first byte joins onto the item after it.
    if (separator.empty() || EndsIncomplete(separator)) return;
    const TextArray before = SplitText(text, separator);
    const TextArray after = SplitText(once, separator);
    for (std::size_t i = 0; i < after.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) FUZZ_CHECK(after[j] != after[i]);
        FUZZ_CHECK(std::find(before.begin(), before.end(), after[i]) != before.end());
    }
    for (const Text& item : before) {
        FUZZ_CHECK(item.empty() || std::find(after.begin(), after.end(), item) != after.end());
    }
}

void CheckName(const Text& item, const Text& other) {
    const Text name = CookieName(item);
    // Trimming cuts a lone last byte and keeps the blanks in front of it.
    if (FindText(item, "=") != -1 || !EndsIncomplete(item)) FUZZ_CHECK(TrimBoth(name) == name);
    FUZZ_CHECK(FindText(name, "=") == -1 || FindText(item, "=") == -1);
    const TextArray items = {other, item};
    FUZZ_CHECK(HasCookieNamed(items, name));
    FUZZ_CHECK(!HasCookieNamed({}, name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Text sent = TakeText(input, 48);
    const Text received = TakeText(input, 48);
    const Text separator = TakeText(input, 3);

    CheckMerge(sent, received);
    CheckDuplicates(received, separator);
    CheckDuplicates(received, "; ");
    CheckName(sent, received);
    CheckExtraction(input);
    return 0;
}
