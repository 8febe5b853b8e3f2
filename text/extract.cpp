#include "text/text.h"
#include "text/walk.h"

// The host is that of the link lower-cased with "/" added at its end, but only the host itself is
// lower-cased: a clipboard can hold megabytes, and the markers "https://", "http://", "/" and ":"
// are ASCII, so they stand in the lower-cased text exactly where they stand in the link ignoring
// case, and case mapping moves no character boundary.
Text ExtractHost(const Text& link) {
    const bool slashAdded = TextRight(link, 1) != "/";
    std::size_t hostStart = 0;  // 0-based; 0 also when "http://" goes in front
    if (FindText(TextLeft(link, 8), "https://", 1, true) == 1) {
        hostStart = 8;
    } else {
        // The added "/" cannot complete an "http://": it is added only where the link ends otherwise.
        const int http = FindText(link, "http://", 1, true);
        if (http != -1) hostStart = static_cast<std::size_t>(http - 1) + 7;
    }
    const int slash = FindText(link, "/", static_cast<int>(hostStart) + 1);
    std::size_t hostEnd = link.size();
    if (slash != -1) {
        hostEnd = static_cast<std::size_t>(slash) - 1;
    } else if (!slashAdded || (hostStart < link.size() && EndsInIncompleteCharacter(link, hostStart))) {
        // The added "/" is the second byte of an incomplete last character: no "/" ends the host.
        return Text();
    }
    // The host ends at its first ":", searched in the link itself so that only the host is copied.
    SearchState state;
    const std::size_t colon = FindAtBoundary(std::string_view(link).substr(0, hostEnd), hostStart, ":", false, state);
    if (colon != kNoMatch) hostEnd = colon;
    return ToLower(link.substr(hostStart, hostEnd - hostStart));
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
