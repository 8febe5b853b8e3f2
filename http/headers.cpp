#include "http/http_request.h"
#include "text/walk.h"

void CompleteRequestHeaders(Text& headers, const Text& url, bool isPost) {
    struct DefaultLine {
        const char* key;
        Text line;
        bool wanted;
    };
    const DefaultLine defaults[] = {
        {"Accept:", "\r\nAccept: */*", true},
        {"Referer:", ConcatText("\r\nReferer: ", url), true},
        {"Accept-Language:", "\r\nAccept-Language: zh-cn", true},
        {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", true},
        {"Content-Type:", "\r\nContent-Type: application/x-www-form-urlencoded", isPost},
    };
    for (const DefaultLine& d : defaults) {
        if (d.wanted && FindText(headers, d.key, 1, true) == -1) headers = ConcatText(headers, d.line);
    }
}

Text CapitalizeFirst(const Text& text) {
    return ConcatText(ToUpper(TextLeft(text, 1)), TextMiddle(text, 2, TextLength(text)));
}

// The name is walked in character steps, so a dash inside a double-byte
// character does not start a word.
namespace {

Text CapitalizeWords(Text name) {
    bool wordStart = true;
    for (std::size_t i = 0; i < name.size(); i += CharWidth(name[i])) {
        const char c = name[i];
        if (wordStart && c >= 'a' && c <= 'z') name[i] = static_cast<char>(c - 'a' + 'A');
        wordStart = c == '-';
    }
    return name;
}

}  // namespace

Text NormalizeHeaderNames(const Text& headers) {
    TextArray lines;
    for (const Text& line : SplitText(headers, "\r\n")) {
        const int colon = FindText(line, ":");
        if (colon == -1) continue;
        const Text name = CapitalizeWords(TextLeft(line, colon - 1));
        lines.push_back(ConcatText(name, TextMiddle(line, colon, TextLength(line))));
    }
    return JoinText(lines, "\r\n");
}

namespace {

HeaderPair PairOf(const Text& line) {
    const std::optional<TrimmedHalves> halves = SplitTrimmed(line, ":");
    return halves ? HeaderPair{halves->before, halves->after} : HeaderPair{};
}

}  // namespace

Text HeaderName(const Text& line) { return PairOf(line).name; }

Text HeaderValue(const Text& line) { return PairOf(line).value; }

std::vector<HeaderPair> RequestHeaderPairs(const Text& headers) {
    if (FindText(headers, "\r\n") == -1) return {PairOf(headers)};
    std::vector<HeaderPair> pairs;
    for (const Text& line : SplitText(headers, "\r\n")) {
        if (line.empty()) continue;
        HeaderPair pair = PairOf(line);
        if (CompareText(pair.name, "Connection") == 0 && CompareText(pair.value, "keep-alive") == 0) continue;
        pairs.push_back(std::move(pair));
    }
    return pairs;
}
