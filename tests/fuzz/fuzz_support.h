// Shared pieces of the fuzz targets: the check that stops a run on a broken
// property, Texts cut from the fuzz input the way the program would hold them,
// and plain character walks that the primitives are held against.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "text/text.h"

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            __builtin_trap();                                                                     \
        }                                                                                         \
    } while (0)

// A Text never holds a zero byte; the program cuts at the first one.
inline Text TakeText(FuzzedDataProvider& input, std::size_t maxLength = 64) {
    const std::string raw = input.ConsumeRandomLengthString(maxLength);
    return Text(raw.c_str());
}

// A position or count: mostly near the texts, sometimes anywhere in the int range.
inline int TakeNumber(FuzzedDataProvider& input, int low, int high) {
    return input.ConsumeBool() ? input.ConsumeIntegral<int>() : input.ConsumeIntegralInRange(low, high);
}

inline bool HoldsZeroByte(const Text& text) { return text.find('\0') != Text::npos; }

// 0-based offsets where characters start when `text` is walked from `begin`,
// one byte for a byte below 0x80 and two otherwise. `incomplete` tells whether
// the walk ended on a lone first byte (it is not among the offsets).
struct Walk {
    std::vector<std::size_t> starts;
    bool incomplete = false;
};

inline Walk WalkFrom(const Text& text, std::size_t begin = 0) {
    Walk walk;
    std::size_t i = begin;
    while (i < text.size()) {
        const bool lead = static_cast<unsigned char>(text[i]) >= 0x80;
        if (lead && i + 1 == text.size()) {
            walk.incomplete = true;
            break;
        }
        walk.starts.push_back(i);
        i += lead ? 2 : 1;
    }
    return walk;
}

inline bool EndsIncomplete(const Text& text, std::size_t begin = 0) { return WalkFrom(text, begin).incomplete; }

// Whether a character starts at `at` when the whole text is walked.
inline bool StartsCharacter(const Text& text, std::size_t at) {
    const Walk walk = WalkFrom(text);
    return std::binary_search(walk.starts.begin(), walk.starts.end(), at);
}

// Whether `what` stands at `at`, ASCII letters folded when asked; the bytes of
// double-byte characters always compare exactly.
inline bool MatchesAt(const Text& text, std::size_t at, const Text& what, bool foldCase) {
    if (what.size() > text.size() - at) return false;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t j = 0; j < what.size(); ++j) {
        if (static_cast<unsigned char>(what[j]) >= 0x80) {
            if (text[at + j] != what[j]) return false;
            if (++j < what.size() && text[at + j] != what[j]) return false;
        } else if (foldCase ? fold(text[at + j]) != fold(what[j]) : text[at + j] != what[j]) {
            return false;
        }
    }
    return true;
}

inline bool IsBlankAt(const Text& text, std::size_t at) {
    return text[at] == ' ' || (text[at] == '\xA1' && at + 1 < text.size() && text[at + 1] == '\xA1');
}

inline std::size_t CharWidthAt(const Text& text, std::size_t at) {
    return static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
}

// The reference searches: one character step at a time, nothing skipped.
inline int SlowFind(const Text& text, const Text& what, int start, bool ignoreCase) {
    const std::size_t begin = start < 2 ? 0 : static_cast<std::size_t>(start) - 1;
    if (begin >= text.size()) return -1;
    if (what.empty()) return 1;
    for (std::size_t at : WalkFrom(text, begin).starts) {
        if (MatchesAt(text, at, what, ignoreCase)) return static_cast<int>(at) + 1;
    }
    return -1;
}

inline Text SlowReplace(const Text& text, const Text& what, const Text& replacement, int start, int count,
                        bool caseSensitive) {
    if (start < 1) start = 1;
    const std::size_t begin = static_cast<std::size_t>(start) - 1;
    if (text.empty() || what.empty() || begin >= text.size() || count == 0) return text;
    Text result = text.substr(0, begin);
    std::size_t i = begin;
    int made = 0;
    while (i < text.size()) {
        if ((count >= 0 && made == count) || text.size() - i < what.size()) {
            result += text.substr(i);
            break;
        }
        if (MatchesAt(text, i, what, !caseSensitive)) {
            result += replacement;
            i += what.size();
            ++made;
            continue;
        }
        const std::size_t width = CharWidthAt(text, i);
        if (i + width > text.size()) break;  // an incomplete last character that did not match goes
        result += text.substr(i, width);
        i += width;
    }
    return result;
}

inline TextArray SlowSplit(const Text& text, const Text& separator) {
    if (text.empty()) return {};
    if (separator.empty()) return {text};
    TextArray members;
    std::size_t cut = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = CharWidthAt(text, i);
        if (i + width > text.size()) break;
        if (MatchesAt(text, i, separator, false)) {
            members.push_back(text.substr(cut, i - cut));
            i += separator.size();
            cut = i;
        } else {
            i += width;
        }
    }
    if (cut < text.size()) members.push_back(text.substr(cut));
    return members;
}

inline Text SlowTrim(const Text& text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlankAt(text, first)) first += CharWidthAt(text, first);
    std::size_t end = first;
    std::size_t i = first;
    while (i < text.size()) {
        const std::size_t width = CharWidthAt(text, i);
        if (i + width > text.size()) return text.substr(first, i - first);
        const bool blank = IsBlankAt(text, i);
        i += width;
        if (!blank) end = i;
    }
    return text.substr(first, end - first);
}

inline Text SlowRemoveSpaces(const Text& text) {
    Text kept;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = CharWidthAt(text, i);
        if (i + width > text.size()) break;
        if (!IsBlankAt(text, i)) kept += text.substr(i, width);
        i += width;
    }
    return kept;
}

// Whether a "/" ends a link's host when the link goes on with `tail` after the
// host: one in the tail, or the one added at the end, unless a lone first byte
// swallows it or the tail already ends in a "/" byte that is no character.
inline bool SlashFollows(const Text& tail) {
    return FindText(tail, "/") != -1 || (!EndsIncomplete(tail) && TextRight(tail, 1) != "/");
}

// Drops carriage returns and line feeds, and a lone first byte at the end, so
// the part can be one line of a block without changing how the block splits.
inline Text AsLinePart(Text part) {
    std::erase_if(part, [](char c) { return c == '\r' || c == '\n'; });
    if (EndsIncomplete(part)) part.pop_back();
    return part;
}
