#include <string_view>
#include <unordered_set>

#include "http/http_request.h"

// Cuts the trailing separator that every appended item brought along.
static Text WithoutLastSeparator(const Text& joined, const Text& separator) {
    return TextLeft(joined, TextLength(joined) - TextLength(separator));
}

Text ExtractResponseCookies(const Text& responseHeaders) {
    Text result;
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (CompareText(TextBefore(line, ": "), "Set-Cookie") != 0) continue;
        if (FindText(line, ";") != -1) {
            result += TrimBoth(TextBetween(line, "Set-Cookie:", ";"));
        } else {
            result += TrimBoth(ReplaceText(line, "Set-Cookie:", Text(), 1, kEveryOccurrence, false));
        }
        result += "; ";
    }
    return WithoutLastSeparator(result, "; ");
}

Text CookieName(const Text& item) {
    const int equals = FindText(item, "=");
    return equals == -1 ? TrimBoth(item) : TrimBoth(TextLeft(item, equals - 1));
}

bool HasCookieNamed(const TextArray& items, const Text& name) {
    for (const Text& item : items) {
        if (CompareText(CookieName(item), name) == 0) return true;
    }
    return false;
}

static bool IsDeletedCookie(const Text& item) {
    static constexpr std::string_view kDeleted = "=deleted";
    return item.size() >= kDeleted.size() && std::string_view(item).substr(item.size() - kDeleted.size()) == kDeleted;
}

// A set of the names taken so far stands in for asking HasCookieNamed of the
// growing list, which would be quadratic in the number of cookies.
Text MergeCookies(Text& sentCookies, const Text& receivedCookies) {
    TextArray merged = SplitText(RemoveSpaces(receivedCookies), ";");
    std::unordered_set<Text> names;
    for (const Text& item : merged) names.insert(CookieName(item));
    for (Text& item : SplitText(RemoveSpaces(sentCookies), ";")) {
        if (names.insert(CookieName(item)).second) merged.push_back(std::move(item));
    }
    Text joined;
    for (const Text& item : merged) {
        if (IsDeletedCookie(item)) continue;
        joined += item;
        joined += "; ";
    }
    sentCookies = RemoveDuplicateItems(WithoutLastSeparator(joined, "; "), "; ");
    return sentCookies;
}

Text RemoveDuplicateItems(const Text& text, const Text& separator) {
    const TextArray items = SplitText(text, separator);
    std::unordered_set<std::string_view> taken;
    Text result;
    for (const Text& item : items) {
        if (!taken.insert(item).second) continue;
        result += item;
        result += separator;
    }
    return WithoutLastSeparator(result, separator);
}
