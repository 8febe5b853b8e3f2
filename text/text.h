// Text, byte and number primitives shared by every part of the program.
//
// A Text holds code-page-936 bytes and never a zero byte; the empty Text also
// stands for an absent value. Positions are 1-based byte positions, -1 means
// "not found". Searching, replacing, splitting, trimming and case mapping walk
// the text in character steps: a byte of 0x80 or above starts a two-byte
// character, and such a byte at the very end is an incomplete character.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::vector<unsigned char>;
using TextArray = std::vector<Text>;

// Slicing by bytes.
int TextLength(const Text& text);
Text TextLeft(const Text& text, int count);
Text TextRight(const Text& text, int count);
Text TextMiddle(const Text& text, int start, int count);

// Searching and rewriting in character steps.
int FindText(const Text& text, const Text& what, int start = 1, bool ignoreCase = false);
inline constexpr int kEveryOccurrence = -1;
Text ReplaceText(const Text& text, const Text& what, const Text& replacement = Text(), int start = 1,
                 int count = kEveryOccurrence, bool caseSensitive = false);
TextArray SplitText(const Text& text, const Text& separator);
Text TrimBoth(const Text& text);
Text RemoveSpaces(const Text& text);
// Taken by value: a caller that hands over a temporary pays for no copy.
Text ToUpper(Text text);
Text ToLower(Text text);

int CharCode(const Text& text, int position = 1);
Text CharFromCode(int byteValue);
int CompareText(const Text& a, const Text& b);
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
Bytes TextToBytes(const Text& text);
Bytes TextToBytes(std::initializer_list<int> byteValues);
Text BytesToText(const Bytes& bytes);
Bytes BlankBytes(int count);
int BytesLength(const Bytes& bytes);
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
unsigned char ToByte(int value);
double IntDivide(double a, double b);
double Modulo(double a, double b);
std::int32_t BitAnd(std::int32_t a, std::int32_t b);
std::int32_t BitOr(std::int32_t a, std::int32_t b);
std::int32_t ShiftLeft(std::int32_t a, int n);
std::int32_t ShiftRight(std::int32_t a, int n);
int ArraySize(const TextArray& array);

// Runs the thread's pending window messages, leaving a quit message queued.
void ProcessEvents();

// Extraction.
Text ExtractHost(const Text& link);
Text TextBetween(const Text& text, const Text& leftMarker, const Text& rightMarker);
Text TextBefore(const Text& text, const Text& marker);

// Base64 (standard alphabet, padded, one line) and the lenient decoder.
Text Base64Encode(const Bytes& data);
Bytes Base64Decode(const Text& text);

// UTF-8 bytes to a code-page-936 Text.
Text Utf8ToGbk(const Bytes& utf8);
