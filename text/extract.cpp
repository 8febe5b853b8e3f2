#include "text/text.h"

Text ExtractHost(const Text& link) {
    Text t = ToLower(link);
    if (TextRight(t, 1) != "/") t += "/";
    Text marker = "https://";
    if (TextLeft(t, 8) != marker) {
        marker = "http://";
        if (FindText(t, marker) == -1) t = ConcatText(marker, t);
    }
    t = TextBetween(t, marker, "/");
    const int colon = FindText(t, ":");
    return colon == -1 ? t : TextLeft(t, colon - 1);
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

std::optional<TrimmedHalves> SplitTrimmed(const Text& text, const Text& marker) {
    const int p = FindText(text, marker);
    if (p == -1) return std::nullopt;
    return TrimmedHalves{TrimBoth(TextLeft(text, p - 1)), TrimBoth(TextMiddle(text, p + TextLength(marker), TextLength(text)))};
}
