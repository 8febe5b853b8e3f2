#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/walk.h"

namespace {

// substr clamps the count to the bytes that are left.
Text Slice(const Text& text, std::size_t from, int count) {
    return text.substr(from, static_cast<std::size_t>(count));
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
