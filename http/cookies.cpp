#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

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

// For each key, whether no key before it is equal: what asking the growing list of earlier keys
// would tell, in linear time. An open-addressing table of key numbers needs no allocation per
// key, which a node-based set does.
static std::vector<bool> FirstOccurrences(const std::vector<std::string_view>& keys) {
    std::size_t capacity = 16;
    while (capacity < 2 * keys.size()) capacity *= 2;
    std::vector<std::uint32_t> slots(capacity, 0);  // key number + 1; 0 is a free slot
    std::vector<bool> first(keys.size(), false);
    const std::hash<std::string_view> hash;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::size_t at = hash(keys[i]) & (capacity - 1);
        while (slots[at] != 0 && keys[slots[at] - 1] != keys[i]) at = (at + 1) & (capacity - 1);
        if (slots[at] == 0) {
            slots[at] = static_cast<std::uint32_t>(i + 1);
            first[i] = true;
        }
    }
    return first;
}

// A sent item is taken exactly when its name occurs neither among the received items nor among
// the sent items before it: the names in that order, first occurrences, stand in for asking
// HasCookieNamed of the growing list, which would be quadratic in the number of cookies.
Text MergeCookies(Text& sentCookies, const Text& receivedCookies) {
    const TextArray received = SplitText(RemoveSpaces(receivedCookies), ";");
    const TextArray sent = SplitText(RemoveSpaces(sentCookies), ";");
    TextArray names;
    names.reserve(received.size() + sent.size());
    for (const Text& item : received) names.push_back(CookieName(item));
    for (const Text& item : sent) names.push_back(CookieName(item));
    const std::vector<bool> taken = FirstOccurrences(std::vector<std::string_view>(names.begin(), names.end()));

    Text joined;
    joined.reserve(receivedCookies.size() + sentCookies.size() + 2);
    const auto append = [&joined](const Text& item) {
        if (IsDeletedCookie(item)) return;
        joined += item;
        joined += "; ";
    };
    for (const Text& item : received) append(item);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (taken[received.size() + i]) append(sent[i]);
    }
    sentCookies = RemoveDuplicateItems(WithoutLastSeparator(joined, "; "), "; ");
    return sentCookies;
}

Text RemoveDuplicateItems(const Text& text, const Text& separator) {
    const TextArray items = SplitText(text, separator);
    const std::vector<bool> first = FirstOccurrences(std::vector<std::string_view>(items.begin(), items.end()));
    Text result;
    result.reserve(text.size() + separator.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!first[i]) continue;
        result += items[i];
        result += separator;
    }
    return WithoutLastSeparator(result, separator);
}
