// The link's host by the letter of its rule, with no shortcuts: the whole link
// lower-cased, "/" added, the scheme found, the host cut out and cut at ":".
// The fuzz target holds ExtractHost, which cuts the host out of the text once, to it.
#pragma once

#include "text/text.h"

inline Text ExtractHostByTheRule(const Text& link) {
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
