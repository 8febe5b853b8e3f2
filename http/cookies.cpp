#include <string_view>
#include <unordered_set>
#include <vector>

#include "http/http_request.h"

Text ExtractResponseCookies(const Text& responseHeaders) {
    TextArray items;
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (CompareText(TextBefore(line, ": "), "Set-Cookie") != 0) continue;
        items.push_back(TrimBoth(FindText(line, ";") != -1
                                     ? TextBetween(line, "Set-Cookie:", ";")
                                     : ReplaceText(line, "Set-Cookie:", Text(), 1, EVERY_OCCURRENCE, false)));
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

// For each text, whether no text before it is equal: what asking the growing list of earlier
// texts would tell, without the quadratic cost of asking it.
namespace {

std::vector<bool> FirstOccurrences(const TextArray& texts) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(texts.size());
    std::vector<bool> first;
    first.reserve(texts.size());
    for (const Text& text : texts) first.push_back(seen.insert(text).second);
    return first;
}

}  // namespace

// A sent item is taken exactly when its name occurs neither among the received items nor among
// the sent items before it, which is what HasCookieNamed of the growing list tells.
Text MergeCookies(Text& sentCookies, const Text& receivedCookies) {
    TextArray merged = SplitText(RemoveSpaces(receivedCookies), ";");
    const TextArray sent = SplitText(RemoveSpaces(sentCookies), ";");
    TextArray names;
    names.reserve(merged.size() + sent.size());
    for (const Text& item : merged) names.push_back(CookieName(item));
    for (const Text& item : sent) names.push_back(CookieName(item));
    const std::vector<bool> first = FirstOccurrences(names);
    const std::size_t received = merged.size();
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (first[received + i]) merged.push_back(sent[i]);
    }
    std::erase_if(merged, [](const Text& item) { return TextRight(item, 8) == "=deleted"; });
    sentCookies = RemoveDuplicateItems(JoinText(merged, "; "), "; ");
    return sentCookies;
}

Text RemoveDuplicateItems(const Text& text, const Text& separator) {
    const TextArray items = SplitText(text, separator);
    const std::vector<bool> first = FirstOccurrences(items);
    TextArray kept;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (first[i]) kept.push_back(items[i]);
    }
    return JoinText(kept, separator);
}
