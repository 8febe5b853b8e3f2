#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/walk.h"

namespace {

// substr clamps the count to the bytes that are left.
Text Slice(const Text& text, std::size_t from, int count) {
    return text.substr(from, static_cast<std::size_t>(count));
}

#if defined(__SSE2__)
// For eight bits: 0x20 at byte k when bit k is set.
struct ByteSpread {
    std::uint64_t entries[256];
    constexpr ByteSpread() : entries() {
        for (unsigned bits = 0; bits < 256; ++bits) {
            for (unsigned k = 0; k < 8; ++k) {
                if (bits >> k & 1) entries[bits] |= std::uint64_t{0x20} << (8 * k);
            }
        }
    }
};
constexpr ByteSpread kByteSpread;

__m128i Spread(std::uint64_t bits) {
    return _mm_set_epi64x(static_cast<long long>(kByteSpread.entries[bits >> 8 & 0xFF]),
                          static_cast<long long>(kByteSpread.entries[bits & 0xFF]));
}

// Of 64 bytes whose bytes >= 0x80 are `high` (bit k for byte k): the bytes below 0x80 that start a
// character. `secondFirst` tells whether the first byte is the second byte of a character and is
// left telling it for the next 64 bytes. After a byte below 0x80 a character starts, so a run of
// bytes >= 0x80 starts one and pairs up from there; the byte after an odd-length run is a second
// byte. A carry through the run finds its end, and the parity of the start and end positions
// tells the run's length.
std::uint64_t OneByteStarts(std::uint64_t high, unsigned& secondFirst) {
    constexpr std::uint64_t kEven = 0x5555555555555555u;
    const std::uint64_t secondAtZero = secondFirst;
    const std::uint64_t runs = high & ~secondAtZero;
    const std::uint64_t starts = runs & ~(runs << 1);
    const std::uint64_t afterEvenStart = (runs + (starts & kEven)) & ~runs;
    std::uint64_t sum;
    secondFirst = __builtin_add_overflow(runs, starts & ~kEven, &sum) ? 1 : 0;
    const std::uint64_t afterOddStart = sum & ~runs;
    const std::uint64_t secondBytes = (afterEvenStart & ~kEven) | (afterOddStart & kEven) | secondAtZero;
    return ~high & ~secondBytes;
}

// Flips bit 0x20 of the bytes of `lanes` from `first` to `first` + 25 where `where` holds 0x20.
__m128i FlipLetters(__m128i lanes, __m128i first, __m128i where) {
    const __m128i offset = _mm_sub_epi8(lanes, first);
    const __m128i letter = _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(25)), offset);
    return _mm_xor_si128(lanes, _mm_and_si128(letter, where));
}
#endif

// Walks in character steps. Blocks of 64 bytes are mapped at once: a block of one-byte characters
// only directly, any other through the mask of its bytes that start one-byte characters.
Text MapCase(Text mapped, unsigned char first) {
    const std::size_t n = mapped.size();
    char* bytes = mapped.data();
    std::size_t i = 0;
    unsigned secondFirst = 0;
#if defined(__SSE2__)
    const __m128i firsts = _mm_set1_epi8(static_cast<char>(first));
    for (; n - i >= 64; i += 64) {
        __m128i lanes[4];
        std::uint64_t high = 0;
        for (int k = 0; k < 4; ++k) {
            lanes[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 16 * k));
            high |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(lanes[k]))) << (16 * k);
        }
        if (high == 0 && secondFirst == 0) {
            for (__m128i& lane : lanes) lane = FlipLetters(lane, firsts, _mm_set1_epi8(0x20));
        } else {
            const std::uint64_t starts = OneByteStarts(high, secondFirst);
            for (int k = 0; k < 4; ++k) lanes[k] = FlipLetters(lanes[k], firsts, Spread(starts >> (16 * k)));
        }
        for (int k = 0; k < 4; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + i + 16 * k), lanes[k]);
    }
#endif
    for (i += secondFirst; i < n; ++i) {
        if (IsLeadByte(bytes[i])) {
            ++i;
        } else {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            if (c >= first && c <= first + 25) bytes[i] = static_cast<char>(c ^ 0x20);
        }
    }
    return mapped;
}

}  // namespace

int TextLength(const Text& text) { return static_cast<int>(text.size()); }

Text TextLeft(const Text& text, int count) {
    if (count <= 0) return Text();
    return Slice(text, 0, count);
}

Text TextRight(const Text& text, int count) {
    if (count <= 0) return Text();
    const std::size_t take = std::min(text.size(), static_cast<std::size_t>(count));
    return text.substr(text.size() - take);
}

Text TextMiddle(const Text& text, int start, int count) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || count <= 0) return Text();
    return Slice(text, static_cast<std::size_t>(start) - 1, count);
}

int FindText(const Text& text, const Text& what, int start, bool ignoreCase) {
    const std::size_t begin = start < 2 ? 0 : static_cast<std::size_t>(start) - 1;
    if (begin >= text.size()) return -1;
    if (what.empty()) return 1;
    SearchState state;
    const std::size_t found = FindAtBoundary(text, begin, what, ignoreCase, state);
    // An incomplete final character ends the walk before it can match.
    if (found == kNoMatch || (found == text.size() - 1 && IsLeadByte(text[found]))) return -1;
    return static_cast<int>(found) + 1;
}

Text ReplaceText(const Text& text, const Text& what, const Text& replacement, int start, int count,
                 bool caseSensitive) {
    if (start < 1) start = 1;
    const std::size_t n = text.size();
    const std::size_t begin = static_cast<std::size_t>(start) - 1;
    if (text.empty() || what.empty() || begin >= n || count == 0) return text;

    Text result;
    result.reserve(n);
    result.append(text, 0, begin);
    std::size_t i = begin;
    int made = 0;
    SearchState state;
    while (count < 0 || made < count) {
        const std::size_t found = FindAtBoundary(text, i, what, !caseSensitive, state);
        if (found == kNoMatch) break;
        result.append(text, i, found - i);
        result += replacement;
        i = found + what.size();
        ++made;
    }
    if (i < n) {
        result.append(text, i, std::string::npos);
        // The walk drops an incomplete final character it reaches without a match; with a longer
        // what the walk stops earlier and copies the tail unchanged.
        const bool walkReachedEnd = count < 0 || made < count;
        if (walkReachedEnd && what.size() == 1 && EndsInIncompleteCharacter(text, i)) result.pop_back();
    }
    return result;
}

TextArray SplitText(const Text& text, const Text& separator) {
    if (text.empty()) return {};
    if (separator.empty()) return {text};
    TextArray members;
    const std::size_t n = text.size();
    std::size_t cut = 0;
    SearchState state;
    for (;;) {
        const std::size_t found = FindAtBoundary(text, cut, separator, false, state);
        if (found == kNoMatch || (found == n - 1 && IsLeadByte(text[found]))) break;
        members.push_back(text.substr(cut, found - cut));
        cut = found + separator.size();
    }
    if (cut < n) members.push_back(text.substr(cut));
    return members;
}

Text TrimBoth(const Text& text) {
    const std::size_t n = text.size();
    std::size_t first = 0;
    for (;;) {
        const std::size_t width = BlankWidthAt(text, first);
        if (width == 0) break;
        first += width;
    }
    if (first == n) return Text();
    if (EndsInIncompleteCharacter(text, first)) return text.substr(first, n - 1 - first);
    return text.substr(first, TrailingBlankStart(text, first) - first);
}

Text RemoveSpaces(const Text& text) {
    Text kept;
    kept.reserve(text.size());
    std::size_t i = 0;
    SearchState state;
    for (;;) {
        const std::size_t blank = FindBlank(text, i, state);
        if (blank == kNoMatch) break;
        kept.append(text, i, blank - i);
        i = blank + BlankWidthAt(text, blank);
    }
    kept.append(text, i, std::string::npos);
    if (i < text.size() && EndsInIncompleteCharacter(text, i)) kept.pop_back();
    return kept;
}

Text ToUpper(Text text) { return MapCase(std::move(text), 'a'); }
Text ToLower(Text text) { return MapCase(std::move(text), 'A'); }

int CharCode(const Text& text, int position) {
    if (position < 1 || static_cast<std::size_t>(position) > text.size()) return 0;
    return static_cast<signed char>(text[static_cast<std::size_t>(position) - 1]);
}

Text CharFromCode(int byteValue) {
    const unsigned char byte = ToByte(byteValue);
    if (byte == 0) return Text();
    return Text(1, static_cast<char>(byte));
}

int CompareText(const Text& a, const Text& b) {
    const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (order != 0) return order < 0 ? -1 : 1;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

Text BlankText(int count) {
    if (count <= 0) return Text();
    return Text(static_cast<std::size_t>(count), ' ');
}

Bytes TextToBytes(const Text& text) { return Bytes(text.begin(), text.end()); }

Bytes TextToBytes(std::initializer_list<int> byteValues) {
    Bytes bytes;
    bytes.reserve(byteValues.size());
    for (int value : byteValues) bytes.push_back(ToByte(value));
    return bytes;
}

Text BytesToText(const Bytes& bytes) {
    const auto zero = std::find(bytes.begin(), bytes.end(), 0);
    return Text(bytes.begin(), zero);
}

Bytes BlankBytes(int count) {
    if (count <= 0) return Bytes();
    return Bytes(static_cast<std::size_t>(count), 0);
}

int BytesLength(const Bytes& bytes) { return static_cast<int>(bytes.size()); }

Bytes BytesLeft(const Bytes& bytes, int count) {
    if (count <= 0) return Bytes();
    const std::size_t take = std::min(bytes.size(), static_cast<std::size_t>(count));
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
}

bool CompareBytes(const Bytes& a, const Bytes& b) { return a == b; }

unsigned char ToByte(int value) { return static_cast<unsigned char>(value & 0xFF); }

double IntDivide(double a, double b) { return std::trunc(a / b); }

double Modulo(double a, double b) { return std::fmod(a, b); }

std::int32_t BitAnd(std::int32_t a, std::int32_t b) { return a & b; }

std::int32_t BitOr(std::int32_t a, std::int32_t b) { return a | b; }

std::int32_t ShiftLeft(std::int32_t a, int n) {
    if (n <= 0) return a;
    if (n >= 32) return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) << n);
}

std::int32_t ShiftRight(std::int32_t a, int n) {
    if (n <= 0) return a;
    if (n >= 32) return a < 0 ? -1 : 0;
    return a >> n;
}

int ArraySize(const TextArray& array) { return static_cast<int>(array.size()); }
