#include "text/text.h"

#include <algorithm>

#include "text/walk.h"

namespace {

// Whether the ":" at boundary `colon` ends an "http:" (any case) that starts at a boundary and has
// "//" after it.
bool EndsHttpAt(std::string_view link, std::size_t colon, const SearchState& state) {
    if (colon < 4 || colon + 2 >= link.size() || link[colon + 1] != '/' || link[colon + 2] != '/') return false;
    for (std::size_t k = 0; k < 4; ++k) {
        if ((link[colon - 4 + k] | 0x20) != "http"[k]) return false;
    }
    return IsBoundary(link, state.known, colon - 4);
}

}  // namespace

// The host is that of the link lower-cased with "/" added at its end, but only the host itself is
// lower-cased: a clipboard can hold megabytes, and the markers "https://", "http://", "/" and ":"
// are ASCII, so they stand in the lower-cased text exactly where they stand in the link ignoring
// case, and case mapping moves no character boundary. Every "http://" holds ":" and "/", so one
// walk over the ":" and "/" of the link finds all three markers; it goes a piece at a time, and
// each piece of the host is copied while it is still in the cache.
Text ExtractHost(const Text& link) {
    constexpr std::size_t kPiece = 16 * 1024;
    const std::size_t n = link.size();
    const bool slashAdded = TextRight(link, 1) != "/";
    // The added "/" cannot complete an "http://": it is added only where the link ends otherwise.
    const bool https = FindText(TextLeft(link, 8), "https://", 1, true) == 1;
    std::size_t hostStart = https ? 8 : 0;
    bool httpMayFollow = !https;
    std::size_t slash = kNoMatch;
    std::size_t colon = kNoMatch;  // the first one in front of the slash
    Text host;                     // lower-cased up to `copied`
    std::size_t copied = hostStart;
    unsigned secondFirst = 0;
    SearchState state;
    std::size_t from = hostStart;  // where the walk goes on
    bool hostEnded = false;
    for (std::size_t pieceEnd = 0; pieceEnd < n && !hostEnded;) {
        pieceEnd = std::min(n, from + kPiece);
        for (std::size_t at; (at = FindEitherAtBoundary(link, from, pieceEnd, ':', '/', state)) != kNoMatch;) {
            from = at + 1;
            if (httpMayFollow && link[at] == ':' && EndsHttpAt(link, at, state)) {
                // The first "http://" starts the host, whatever came before it.
                hostStart = copied = from = at + 3;
                httpMayFollow = false;
                slash = colon = kNoMatch;
                host.clear();
                secondFirst = 0;
            } else if (link[at] == '/') {
                if (slash == kNoMatch) slash = at;
                hostEnded = !httpMayFollow;
                if (hostEnded) break;
            } else if (slash == kNoMatch && colon == kNoMatch) {
                colon = at;
            }
        }
        const std::size_t upTo = std::min({pieceEnd, slash, colon});
        if (upTo > copied) {
            // A host longer than a piece may be as long as the rest of the link.
            if (host.empty() && upTo - copied == kPiece) host.reserve(n - copied);
            AppendLowerCase(host, std::string_view(link).substr(copied, upTo - copied), secondFirst);
            copied = upTo;
        }
        from = std::max(from, pieceEnd);
    }
    if (slash == kNoMatch && (!slashAdded || (hostStart < n && EndsInIncompleteCharacter(link, hostStart)))) {
        // The added "/" is the second byte of an incomplete last character: no "/" ends the host.
        return Text();
    }
    return host;
}

Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker) {
    // Callers write a double quote inside a marker as "#引号".
    const Text quoteWord = "#\xD2\xFD\xBA\xC5";
    const Text left = ReplaceText(leftMarker, quoteWord, "\"", 1, kEveryOccurrence, true);
    const Text right = ReplaceText(rightMarker, quoteWord, "\"", 1, kEveryOccurrence, true);
    const int p = FindText(text, left);
    if (p == -1) return Text();
    const int s = p + TextLength(left);
    const int q = FindText(text, right, s);
    if (q == -1) return Text();
    return TextMiddle(text, s, q - s);
}

Text TextBefore(const Text& text, const Text& marker) {
    const int p = FindText(text, marker);
    if (p == -1) return Text();
    return TextLeft(text, p - 1);
}
