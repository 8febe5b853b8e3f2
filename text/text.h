// Text, byte and number primitives shared by every part of the program.
//
// A Text holds code-page-936 bytes and never a zero byte; the empty Text also stands for an
// absent value. Positions are 1-based byte positions, -1 means "not found". The walks (search,
// replace, split, trim, blank removal, case mapping) go in character steps: a byte of 0x80 or
// above starts a two-byte character, so a match never begins on a second byte, and such a byte
// at the very end is an incomplete character, which ends the walk. Blanks are the space and the
// full-width space 0xA1 0xA1; case mapping knows ASCII letters only. Nothing here fails: out of
// range arguments give the empty value, 0 or -1.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::vector<unsigned char>;
using TextArray = std::vector<Text>;

// Slicing by bytes, blind to characters. A count past the end takes what is left; a count
// below 1, or a start below 1 or past the end, gives the empty text.
int TextLength(const Text& text);
Text TextLeft(const Text& text, int count);
Text TextRight(const Text& text, int count);
Text TextMiddle(const Text& text, int start, int count);

// The first match at or after start (below 2: the first byte; past the end: -1); an empty what
// gives 1 when a byte is searched. A match on an incomplete last character does not count.
int FindText(const Text& text, const Text& what, int start = 1, bool ignoreCase = false);
inline constexpr int EVERY_OCCURRENCE = -1;
// Replaces count matches (negative: all) from start (below 1: 1), never searching a replacement;
// the bytes before start stay. An incomplete last character that a one-byte what reaches
// without matching is dropped; otherwise the bytes after the last match are copied as they are.
Text ReplaceText(const Text& text, const Text& what, const Text& replacement = Text(), int start = 1,
                 int count = EVERY_OCCURRENCE, bool caseSensitive = false);
// The pieces between separators: the empty text gives none, an empty separator the whole text,
// a separator at the end no empty last piece. An incomplete last character stays in the last piece.
TextArray SplitText(const Text& text, const Text& separator);
// The members with the separator between each two; no members give the empty text.
Text JoinText(const TextArray& members, const Text& separator);
// Without its leading and trailing blanks; with an incomplete last character, cut in front of
// it, and the blanks before it stay.
Text TrimBoth(const Text& text);
// Without any blank; an incomplete last character goes too.
Text RemoveSpaces(const Text& text);
// ASCII letters of one-byte characters only; an incomplete last character stays. Taken by
// value: a caller that hands over a temporary pays for no copy.
Text ToUpper(Text text);
Text ToLower(Text text);

// The byte at position as -128..127; 0 below 1 or past the end.
int CharCode(const Text& text, int position = 1);
// The one-byte text of the low byte of byteValue; the empty text for 0.
Text CharFromCode(int byteValue);
// -1, 0 or 1, bytes taken as unsigned, a prefix first.
int CompareText(const Text& a, const Text& b);
// count spaces; empty below 1.
Text BlankText(int count);

// Joins texts (or string literals) in the order given, in one allocation.
template <class... Parts>
Text ConcatText(const Parts&... parts) {
    const std::string_view views[] = {std::string_view(parts)...};
    std::size_t total = 0;
    for (std::string_view v : views) total += v.size();
    Text joined;
    joined.reserve(total);
    for (std::string_view v : views) joined += v;
    return joined;
}

// Conversions and byte arrays.
// Every byte of the text; the byte-value form keeps the low byte of each value.
Bytes TextToBytes(const Text& text);
Bytes TextToBytes(std::initializer_list<int> byteValues);
// The bytes in front of the first zero byte.
Text BytesToText(const Bytes& bytes);
// count zero bytes; empty below 1.
Bytes BlankBytes(int count);
int BytesLength(const Bytes& bytes);
// The first count bytes, all when count is past the end; empty below 1.
Bytes BytesLeft(const Bytes& bytes, int count);
bool CompareBytes(const Bytes& a, const Bytes& b);

template <class... Parts>
Bytes ConcatBytes(const Bytes& first, const Parts&... rest) {
    Bytes joined;
    joined.reserve(first.size() + (std::size_t{0} + ... + rest.size()));
    joined.insert(joined.end(), first.begin(), first.end());
    (joined.insert(joined.end(), rest.begin(), rest.end()), ...);
    return joined;
}

// Integers.
// The low eight bits.
unsigned char ToByte(int value);
// The quotient truncated toward zero.
double IntDivide(double a, double b);
// The remainder with the sign of a.
double Modulo(double a, double b);
std::int32_t BitAnd(std::int32_t a, std::int32_t b);
std::int32_t BitOr(std::int32_t a, std::int32_t b);
// Bits moved past bit 31 are lost; n below 1 leaves a as it is, n of 32 or more gives 0.
std::int32_t ShiftLeft(std::int32_t a, int n);
// Arithmetic; n below 1 leaves a as it is, n of 32 or more gives 0 or -1.
std::int32_t ShiftRight(std::int32_t a, int n);
int ArraySize(const TextArray& array);

// Runs the thread's pending window messages, leaving a quit message queued.
void ProcessEvents();

// Extraction.
// The link lower-cased, from behind "https://" at its start, or its first "http://", or its start,
// up to the next "/" or ":"; a "/" is added to a link that does not end in one, and when an
// incomplete last character swallows it, no "/" is found and the host is the empty text.
Text ExtractHost(const Text& link);
// What stands between the first leftMarker and the next rightMarker after it; "#引号" in a
// marker stands for a double quote. The empty text when either marker is missing.
Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker);
// What stands in front of the first marker; the empty text when it is missing.
Text TextBefore(const Text& text, const Text& marker);
// The texts in front of and after the first marker, each trimmed; none when it is missing.
struct TrimmedHalves {
    Text before;
    Text after;
};
std::optional<TrimmedHalves> SplitTrimmed(const Text& text, const Text& marker);

// Base64 (standard alphabet, padded, one line) and the lenient decoder, which drops blanks and
// "\r\n", lets a byte outside the alphabet end its group and never fails. The decoder runs the
// pending window messages after every group of four (ProcessEvents), so a window handler may
// run inside it.
Text Base64Encode(const Bytes& data);
Bytes Base64Decode(const Text& text);

// UTF-8 bytes up to the first zero byte to a code-page-936 Text; characters the code page lacks
// become its default character.
Text Utf8ToGbk(const Bytes& utf8);
