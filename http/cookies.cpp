#include <string_view>
#include <unordered_set>

#include "http/http_request.h"

Text ExtractResponseCookies(const Text& responseHeaders) {
    TextArray items;
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (CompareText(TextBefore(line, ": "), "Set-Cookie") != 0) continue;
        items.push_back(TrimBoth(FindText(line, ";") != -1
                                     ? TextBetween(line, "Set-Cookie:", ";")
                                     : ReplaceText(line, "Set-Cookie:", Text(), 1, kEveryOccurrence, false)));
    }
    return JoinText(items, "; ");
}

Text CookieName(const Text& item) {
    const std::optional<TrimmedHalves> halves = SplitTrimmed(item, "=");
    return halves ? halves->before : TrimBoth(item);
}

bool HasCookieNamed(const TextArray& items, const Text& name) {
    for (const Text& item : items) {
        if (CompareText(CookieName(item), name) == 0) return true;
    }
    return false;
}

// A set of the names taken so far stands in for asking HasCookieNamed of the growing list,
// which would be quadratic in the number of cookies.
Text MergeCookies(Text& sentCookies, const Text& receivedCookies) {
    TextArray merged = SplitText(RemoveSpaces(receivedCookies), ";");
    TextArray sent = SplitText(RemoveSpaces(sentCookies), ";");
    std::unordered_set<Text> names;
    names.reserve(merged.size() + sent.size());
    for (const Text& item : merged) names.insert(CookieName(item));
    for (Text& item : sent) {
        if (names.insert(CookieName(item)).second) merged.push_back(std::move(item));
    }
    std::erase_if(merged, [](const Text& item) { return TextRight(item, 8) == "=deleted"; });
    sentCookies = RemoveDuplicateItems(JoinText(merged, "; "), "; ");
    return sentCookies;
}

Text RemoveDuplicateItems(const Text& text, const Text& separator) {
    const TextArray items = SplitText(text, separator);
    TextArray kept;
    std::unordered_set<std::string_view> taken;
    taken.reserve(items.size());
    for (const Text& item : items) {
        if (taken.insert(item).second) kept.push_back(item);
    }
    return JoinText(kept, separator);
}
