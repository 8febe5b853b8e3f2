// The cookie rules by their letter, with no shortcuts: every sent name looked up in the growing
// list of merged items, every item compared with all the items taken before it. The fuzz target
// and the benchmark hold MergeCookies and RemoveDuplicateItems to them.
#pragma once

#include "http/http_request.h"

inline bool IsDeletedCookieByTheRule(const Text& item) { return CompareText(TextRight(item, 8), "=deleted") == 0; }

inline Text RemoveDuplicateItemsByTheRule(const Text& text, const Text& separator) {
    TextArray taken;
    Text result;
    for (const Text& item : SplitText(text, separator)) {
        bool seen = false;
        for (const Text& earlier : taken) seen = seen || CompareText(earlier, item) == 0;
        if (seen) continue;
        taken.push_back(item);
        result = ConcatText(result, item, separator);
    }
    return TextLeft(result, TextLength(result) - TextLength(separator));
}

inline Text MergeCookiesByTheRule(const Text& sent, const Text& received) {
    TextArray merged = SplitText(RemoveSpaces(received), ";");
    for (const Text& item : SplitText(RemoveSpaces(sent), ";")) {
        if (!HasCookieNamed(merged, CookieName(item))) merged.push_back(item);
    }
    Text text;
    for (const Text& item : merged) {
        if (!IsDeletedCookieByTheRule(item)) text = ConcatText(text, item, "; ");
    }
    return RemoveDuplicateItemsByTheRule(TextLeft(text, TextLength(text) - 2), "; ");
}
