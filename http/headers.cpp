#include "http/http_request.h"

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
static Text CapitalizeWords(const Text& name) {
    Text result = name;
    bool wordStart = true;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(result[i]);
        if (c >= 0x80) {
            wordStart = false;
            ++i;
            continue;
        }
        if (wordStart && c >= 'a' && c <= 'z') result[i] = static_cast<char>(c - 'a' + 'A');
        wordStart = c == '-';
    }
    return result;
}

Text NormalizeHeaderNames(const Text& headers) {
    Text result;
    for (const Text& line : SplitText(headers, "\r\n")) {
        const int colon = FindText(line, ":");
        if (colon == -1) continue;
        if (!result.empty()) result += "\r\n";
        result += CapitalizeWords(TextLeft(line, colon - 1));
        result += TextMiddle(line, colon, TextLength(line));
    }
    return result;
}

Text HeaderName(const Text& line) {
    const int colon = FindText(line, ":");
    return colon == -1 ? Text() : TrimBoth(TextLeft(line, colon - 1));
}

Text HeaderValue(const Text& line) {
    const int colon = FindText(line, ":");
    return colon == -1 ? Text() : TrimBoth(TextRight(line, TextLength(line) - colon));
}

std::vector<HeaderPair> RequestHeaderPairs(const Text& headers) {
    if (FindText(headers, "\r\n") == -1) return {{HeaderName(headers), HeaderValue(headers)}};
    std::vector<HeaderPair> pairs;
    for (const Text& line : SplitText(headers, "\r\n")) {
        if (line.empty()) continue;
        HeaderPair pair{HeaderName(line), HeaderValue(line)};
        if (CompareText(pair.name, "Connection") == 0 && CompareText(pair.value, "keep-alive") == 0) continue;
        pairs.push_back(std::move(pair));
    }
    return pairs;
}
