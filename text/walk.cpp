#include "text/walk.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The walks must stay linear and close to memchr speed on large texts, so instead of stepping
// through every character they jump to candidate bytes (with memchr, or one scan for two bytes)
// and only then ask whether the candidate starts a character. A byte after a byte below 0x80 always starts one, so that
// question is answered by counting the run of bytes >= 0x80 just in front of the candidate.
namespace {

char OtherCase(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - ('a' - 'A'));
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c + ('a' - 'A'));
    return c;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// First position in [from, end) holding byte `a` or `b`; `end` when there is none. One pass for
// both bytes: two memchr scans would each read a text that holds neither byte to its end.
const char* FirstOfTwo(const char* from, const char* end, char a, char b) {
    if (a == b) {
        const void* hit = std::memchr(from, a, static_cast<std::size_t>(end - from));
        return hit ? static_cast<const char*>(hit) : end;
    }
#if defined(__SSE2__)
    const __m128i as = _mm_set1_epi8(a);
    const __m128i bs = _mm_set1_epi8(b);
    const auto hits = [&](const char* at) {
        const __m128i lane = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return _mm_or_si128(_mm_cmpeq_epi8(lane, as), _mm_cmpeq_epi8(lane, bs));
    };
    for (; end - from >= 64; from += 64) {
        const __m128i h0 = hits(from), h1 = hits(from + 16), h2 = hits(from + 32), h3 = hits(from + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(h0, h1), _mm_or_si128(h2, h3))) == 0) continue;
        const auto bits = [](__m128i lane) {
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(lane)));
        };
        return from + __builtin_ctzll(bits(h0) | bits(h1) << 16 | bits(h2) << 32 | bits(h3) << 48);
    }
#endif
    for (; from < end; ++from) {
        if (*from == a || *from == b) return from;
    }
    return end;
}

// The first boundary in [begin, last] whose byte is `a` or `b` and that `accept` takes, where
// `state.known` is a boundary at or before `begin`. A candidate that `plausible` turns down is
// passed over before the costlier boundary test.
template <class Plausible, class Accept>
std::size_t FindCandidate(std::string_view text, std::size_t begin, std::size_t last, char a, char b,
                          SearchState& state, Plausible plausible, Accept accept) {
    const char* const end = text.data() + last + 1;
    for (const char* from = text.data() + begin; from < end;) {
        const char* hit = FirstOfTwo(from, end, a, b);
        if (hit == end) return kNoMatch;
        const std::size_t at = static_cast<std::size_t>(hit - text.data());
        from = hit + 1;
        if (!plausible(at)) continue;
        if (IsBoundary(text, state.known, at)) {
            if (accept(at)) return at;
            state.known = at;
        } else {
            state.known = at + 1;  // the candidate is a second byte; the next byte starts a character
        }
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

bool IsBoundary(std::string_view text, std::size_t known, std::size_t at) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    // Double-byte text is one long run of bytes >= 0x80, so the run is measured eight bytes at a time.
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

std::size_t FindEitherAtBoundary(std::string_view text, std::size_t begin, std::size_t end, char a, char b,
                                 SearchState& state) {
    if (begin >= end) return kNoMatch;
    return FindCandidate(text, begin, end - 1, a, b, state, [](std::size_t) { return true; },
                         [](std::size_t) { return true; });
}

std::size_t FindAtBoundary(std::string_view text, std::size_t begin, std::string_view what, bool foldCase,
                           SearchState& state) {
    if (begin > text.size() || what.size() > text.size() - begin) return kNoMatch;
    if (state.known < begin) state.known = begin;
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
    if (state.known < begin) state.known = begin;
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
