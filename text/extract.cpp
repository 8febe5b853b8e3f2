#include "text/text.h"

// The rule lower-cases the link, adds "/" at its end, cuts out what stands between the scheme and
// the next "/" and cuts that at ":". The "/" goes on before lower-casing, which moves no "/" and
// no character boundary, and the host is cut from the text once, not copied out step by step.
Text ExtractHost(const Text& link) {
    const Text t = ToLower(TextRight(link, 1) == "/" ? link : ConcatText(link, "/"));
    int start = 1;  // where "http://" put in front of a link without a scheme ends
    if (TextLeft(t, 8) == "https://") {
        start = 9;
    } else if (const int http = FindText(t, "http://"); http != -1) {
        start = http + 7;
    }
    const int slash = FindText(t, "/", start);
    if (slash == -1) return Text();
    const int colon = FindText(t, ":", start);
    return TextMiddle(t, start, (colon != -1 && colon < slash ? colon : slash) - start);
}

Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker) {
    // Callers write a double quote inside a marker as "#引号".
    const Text quoteWord = "#\xD2\xFD\xBA\xC5";
    const Text left = ReplaceText(leftMarker, quoteWord, "\"", 1, EVERY_OCCURRENCE, true);
    const Text right = ReplaceText(rightMarker, quoteWord, "\"", 1, EVERY_OCCURRENCE, true);
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

std::optional<TrimmedHalves> SplitTrimmed(const Text& text, const Text& marker) {
    const int p = FindText(text, marker);
    if (p == -1) return std::nullopt;
    const Text after = TextMiddle(text, p + TextLength(marker), TextLength(text));
    return TrimmedHalves{TrimBoth(TextLeft(text, p - 1)), TrimBoth(after)};
}
