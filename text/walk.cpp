#include "text/walk.h"

#include <cstring>

// The walks must stay linear and close to memchr speed on large texts, so instead of stepping
// through every character they jump to candidate bytes with memchr and only then ask whether
// the candidate starts a character. A byte after a byte below 0x80 always starts one, so that
// question is answered by counting the run of bytes >= 0x80 just in front of the candidate.
namespace {

char OtherCase(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - ('a' - 'A'));
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c + ('a' - 'A'));
    return c;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Whether `at` is a boundary, given that `known` <= `at` is one.
bool IsBoundary(std::string_view text, std::size_t known, std::size_t at) {
    std::size_t runStart = at;
    while (runStart > known && IsLeadByte(text[runStart - 1])) --runStart;
    return (at - runStart) % 2 == 0;
}

// Next position in [from, last] holding `byte`, remembered until the scan passes it.
struct NextByte {
    char byte;
    std::size_t cached = 0;
    bool valid = false;

    std::size_t Find(std::string_view text, std::size_t from, std::size_t last) {
        if (!valid || cached < from) {
            const void* hit = std::memchr(text.data() + from, byte, last - from + 1);
            cached = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : kNoMatch;
            valid = true;
        }
        return cached;
    }
};

// The first boundary in [begin, last] whose byte is `a` or `b` and that `accept` takes.
template <class Accept>
std::size_t FindCandidate(std::string_view text, std::size_t begin, std::size_t last, char a, char b,
                          Accept accept) {
    NextByte nextA{a};
    NextByte nextB{b};
    std::size_t known = begin;
    std::size_t from = begin;
    while (from <= last) {
        std::size_t at = nextA.Find(text, from, last);
        if (b != a) {
            const std::size_t atB = nextB.Find(text, from, last);
            if (atB < at) at = atB;
        }
        if (at == kNoMatch) return kNoMatch;
        if (IsBoundary(text, known, at)) {
            if (accept(at)) return at;
            known = at;
        } else {
            known = at + 1;  // the candidate is a second byte; the next byte starts a character
        }
        from = at + 1;
    }
    return kNoMatch;
}

bool MatchesFolded(const char* at, std::string_view what) {
    std::size_t j = 0;
    while (j < what.size()) {
        if (IsLeadByte(what[j])) {
            if (at[j] != what[j]) return false;
            if (j + 1 < what.size() && at[j + 1] != what[j + 1]) return false;
            j += 2;
        } else {
            if (FoldAscii(at[j]) != FoldAscii(what[j])) return false;
            ++j;
        }
    }
    return true;
}

}  // namespace

std::size_t FindAtBoundary(std::string_view text, std::size_t begin, std::string_view what, bool foldCase) {
    if (begin > text.size() || what.size() > text.size() - begin) return kNoMatch;
    const char first = what[0];
    const char other = foldCase ? OtherCase(first) : first;
    const std::string_view rest = what.substr(1);
    return FindCandidate(text, begin, text.size() - what.size(), first, other, [&](std::size_t at) {
        if (foldCase) return MatchesFolded(text.data() + at, what);
        return std::memcmp(text.data() + at + 1, rest.data(), rest.size()) == 0;
    });
}

std::size_t BlankWidthAt(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    if (text[at] == ' ') return 1;
    const char fullWidth = static_cast<char>(0xA1);
    if (text[at] == fullWidth && at + 1 < text.size() && text[at + 1] == fullWidth) return 2;
    return 0;
}

std::size_t FindBlank(std::string_view text, std::size_t begin) {
    if (begin >= text.size()) return kNoMatch;
    return FindCandidate(text, begin, text.size() - 1, ' ', static_cast<char>(0xA1),
                         [&](std::size_t at) { return BlankWidthAt(text, at) != 0; });
}

bool EndsInIncompleteCharacter(std::string_view text, std::size_t from) {
    const std::size_t last = text.size() - 1;
    return IsLeadByte(text[last]) && IsBoundary(text, from, last);
}

std::size_t TrailingBlankStart(std::string_view text, std::size_t from) {
    std::size_t end = text.size();
    while (end > from) {
        // A byte >= 0x80 in front of a boundary can only be a second byte.
        const bool twoBytes = IsLeadByte(text[end - 1]) || !IsBoundary(text, from, end - 1);
        const std::size_t charStart = end - (twoBytes ? 2 : 1);
        if (BlankWidthAt(text, charStart) != end - charStart) break;
        end = charStart;
    }
    return end;
}
