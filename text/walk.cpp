#include "text/walk.h"

#include <cstdint>
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

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// Whether `at` is a boundary, given that `known` <= `at` is one. Double-byte text is one long
// run of bytes >= 0x80, so the run is measured eight bytes at a time.
bool IsBoundary(std::string_view text, std::size_t known, std::size_t at) {
    std::size_t runStart = at;
    while (runStart - known >= 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + runStart - 8, 8);
        if ((word & kHighBits) != kHighBits) break;
        runStart -= 8;
    }
    while (runStart > known && IsLeadByte(text[runStart - 1])) --runStart;
    return (at - runStart) % 2 == 0;
}

// Next position in [from, last] holding candidate byte `which`, kept until the scan passes it.
std::size_t NextCandidate(std::string_view text, std::size_t from, std::size_t last, char byte, int which,
                          SearchState& state) {
    std::size_t& next = state.next[which];
    if (!state.scanned[which] || (next != kNoMatch && next < from)) {
        const void* hit = std::memchr(text.data() + from, byte, last - from + 1);
        next = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : kNoMatch;
        state.scanned[which] = true;
    }
    return next;
}

// The first boundary in [begin, last] whose byte is `a` or `b` and that `accept` takes. A
// candidate that `plausible` turns down is passed over before the costlier boundary test.
template <class Plausible, class Accept>
std::size_t FindCandidate(std::string_view text, std::size_t begin, std::size_t last, char a, char b,
                          SearchState& state, Plausible plausible, Accept accept) {
    if (state.known < begin) state.known = begin;
    std::size_t from = begin;
    while (from <= last) {
        std::size_t at = NextCandidate(text, from, last, a, 0, state);
        if (b != a) {
            const std::size_t atB = NextCandidate(text, from, last, b, 1, state);
            if (atB < at) at = atB;
        }
        if (at == kNoMatch) return kNoMatch;
        if (!plausible(at)) {
            from = at + 1;
            continue;
        }
        if (IsBoundary(text, state.known, at)) {
            if (accept(at)) return at;
            state.known = at;
        } else {
            state.known = at + 1;  // the candidate is a second byte; the next byte starts a character
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

std::size_t FindAtBoundary(std::string_view text, std::size_t begin, std::string_view what, bool foldCase,
                           SearchState& state) {
    if (begin > text.size() || what.size() > text.size() - begin) return kNoMatch;
    const char first = what[0];
    const char other = foldCase ? OtherCase(first) : first;
    const std::string_view rest = what.substr(1);
    // The last byte of what (in either case where case is folded, even if it belongs to a
    // double-byte character: accept decides) is cheap to test, and in prose the first byte
    // alone matches often.
    const std::size_t lastOffset = what.size() - 1;
    const char last = what[lastOffset];
    const char lastOther = foldCase ? OtherCase(last) : last;
    const auto plausible = [&](std::size_t at) {
        const char c = text[at + lastOffset];
        return c == last || c == lastOther;
    };
    return FindCandidate(text, begin, text.size() - what.size(), first, other, state, plausible, [&](std::size_t at) {
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

std::size_t FindBlank(std::string_view text, std::size_t begin, SearchState& state) {
    if (begin >= text.size()) return kNoMatch;
    return FindCandidate(text, begin, text.size() - 1, ' ', static_cast<char>(0xA1), state,
                         [](std::size_t) { return true; }, [&](std::size_t at) { return BlankWidthAt(text, at) != 0; });
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
