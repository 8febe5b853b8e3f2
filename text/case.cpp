// ASCII case mapping in character steps: the second byte of a double-byte character is never a
// letter, whatever its value.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/text.h"
#include "text/walk.h"

namespace {

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
// Moved by `toSigned` (0x80 - `first`), those bytes are the 26 smallest signed ones.
__m128i FlipLetters(__m128i lanes, __m128i toSigned, __m128i where) {
    const __m128i letter = _mm_cmplt_epi8(_mm_add_epi8(lanes, toSigned), _mm_set1_epi8(-128 + 26));
    return _mm_xor_si128(lanes, _mm_and_si128(letter, where));
}
#endif

// Maps the letters `first` .. `first` + 25 of bytes[0, n) to the other case in place, walking in
// character steps; `secondFirst` is 1 when bytes[0] is the second byte of a character. Returns
// the same for the byte after the last. Blocks of 64 bytes are mapped at once: a block of
// one-byte characters only directly, any other through the mask of its bytes that start
// one-byte characters.
unsigned MapCase(char* bytes, std::size_t n, unsigned char first, unsigned secondFirst) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i toSigned = _mm_set1_epi8(static_cast<char>(0x80 - first));
    for (; n - i >= 64; i += 64) {
        __m128i lanes[4];
        for (int k = 0; k < 4; ++k) lanes[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 16 * k));
        const __m128i any = _mm_or_si128(_mm_or_si128(lanes[0], lanes[1]), _mm_or_si128(lanes[2], lanes[3]));
        if ((static_cast<unsigned>(_mm_movemask_epi8(any)) | secondFirst) == 0) {
            for (__m128i& lane : lanes) lane = FlipLetters(lane, toSigned, _mm_set1_epi8(0x20));
        } else {
            std::uint64_t high = 0;
            for (int k = 0; k < 4; ++k) {
                high |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(lanes[k]))) << (16 * k);
            }
            const std::uint64_t starts = OneByteStarts(high, secondFirst);
            for (int k = 0; k < 4; ++k) lanes[k] = FlipLetters(lanes[k], toSigned, Spread(starts >> (16 * k)));
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
    return static_cast<unsigned>(i - n);
}

}  // namespace

Text ToUpper(Text text) {
    MapCase(text.data(), text.size(), 'a', 0);
    return text;
}

Text ToLower(Text text) {
    MapCase(text.data(), text.size(), 'A', 0);
    return text;
}

void AppendLowerCase(Text& lowered, std::string_view piece, unsigned& secondFirst) {
    const std::size_t at = lowered.size();
    lowered.append(piece);
    secondFirst = MapCase(lowered.data() + at, piece.size(), 'A', secondFirst);
}
