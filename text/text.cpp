#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "text/walk.h"

namespace {

// substr clamps the count to the bytes that are left.
Text Slice(const Text& text, std::size_t from, int count) { return text.substr(from, static_cast<std::size_t>(count)); }

// A lead byte at the very end is an incomplete character: a walk that reaches it ends there.
bool IsLoneLastByte(std::string_view text, std::size_t at) { return at + 1 == text.size() && IsLeadByte(text[at]); }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

char OtherCase(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - ('a' - 'A'));
    return FoldAscii(c);
}

// Whether `what` stands wholly inside `text` at the character start `at`; folding case, ASCII
// letters match in either case, while both bytes of a double-byte character of `what` match
// exactly.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view what, bool foldCase) {
    if (what.size() > text.size() - at) return false;
    for (std::size_t j = 0; j < what.size(); ++j) {
        if (IsLeadByte(what[j]) && j + 1 < what.size()) {
            if (text[at + j] != what[j] || text[at + j + 1] != what[j + 1]) return false;
            ++j;
        } else if (foldCase ? FoldAscii(text[at + j]) != FoldAscii(what[j]) : text[at + j] != what[j]) {
            return false;
        }
    }
    return true;
}

// The first byte at or after `at` that is `a` or `b`; text.size() when there is none.
std::size_t FindEither(std::string_view text, std::size_t at, char a, char b) {
    if (a == b) return std::min(text.find(a, at), text.size());
    while (at < text.size() && text[at] != a && text[at] != b) ++at;
    return at;
}

// Width of the blank character at character start `at`: 1 for the space, 2 for the full-width
// space, 0 when it is not blank or `at` is past the end.
std::size_t BlankWidthAt(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    if (text[at] == ' ') return 1;
    const char fullWidth = static_cast<char>(0xA1);
    return text[at] == fullWidth && at + 1 < text.size() && text[at + 1] == fullWidth ? 2 : 0;
}

// Whether a character starts at `at` when the text is walked from the character start `from`.
// A byte after a byte below 0x80 always starts one, so only the run of lead bytes in front of
// `at` decides.
bool IsCharacterStart(std::string_view text, std::size_t from, std::size_t at) {
    std::size_t runStart = at;
    while (runStart > from && IsLeadByte(text[runStart - 1])) --runStart;
    return (at - runStart) % 2 == 0;
}

// The walk of the searches from the character start `from`: the first character start where
// `what` matches, or where an incomplete last character ends the walk; text.size() for neither.
// It goes from one byte that may start `what` to the next and asks only there whether a
// character starts, counting back no further than the last place known to start one, so it
// stays linear.
std::size_t NextMatch(std::string_view text, std::size_t from, std::string_view what, bool foldCase) {
    const char first = what[0];
    const char other = foldCase ? OtherCase(first) : first;
    std::size_t known = from;
    for (std::size_t at = FindEither(text, from, first, other); at < text.size();
         at = FindEither(text, at + 1, first, other)) {
        if (!IsCharacterStart(text, known, at)) {
            known = at + 1;  // a second byte; a character starts after it
            continue;
        }
        if (IsLoneLastByte(text, at) || MatchesAt(text, at, what, foldCase)) return at;
        known = at;
    }
    const bool endsIncomplete =
        known < text.size() && IsLeadByte(text.back()) && IsCharacterStart(text, known, text.size() - 1);
    return endsIncomplete ? text.size() - 1 : text.size();
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
    const std::size_t found = NextMatch(text, begin, what, ignoreCase);
    return found == text.size() || IsLoneLastByte(text, found) ? -1 : static_cast<int>(found) + 1;
}

Text ReplaceText(const Text& text, const Text& what, const Text& replacement, int start, int count,
                 bool caseSensitive) {
    if (start < 1) start = 1;
    const std::size_t n = text.size();
    const std::size_t begin = static_cast<std::size_t>(start) - 1;
    if (text.empty() || what.empty() || begin >= n || count == 0) return text;

    Text result;
    result.reserve(n);
    std::size_t i = begin;  // text[0, i) is in the result
    result.append(text, 0, i);
    for (int made = 0; made != count; ++made) {
        const std::size_t found = NextMatch(text, i, what, !caseSensitive);
        if (found == n) break;
        if (IsLoneLastByte(text, found)) {
            // A longer what stops short of an incomplete last character, and the rest is copied;
            // a one-byte what replaces it when it is that byte (a lead byte matches only itself)
            // and drops it otherwise.
            if (what.size() > 1) break;
            result.append(text, i, found - i);
            if (what[0] == text[found]) result += replacement;
            return result;
        }
        result.append(text, i, found - i);
        result += replacement;
        i = found + what.size();
    }
    return result.append(text, i, std::string::npos);
}

TextArray SplitText(const Text& text, const Text& separator) {
    if (text.empty()) return {};
    if (separator.empty()) return {text};
    TextArray members;
    std::size_t cut = 0;
    for (std::size_t found;
         (found = NextMatch(text, cut, separator, false)) != text.size() && !IsLoneLastByte(text, found);
         cut = found + separator.size()) {
        members.push_back(text.substr(cut, found - cut));
    }
    if (cut < text.size()) members.push_back(text.substr(cut));
    return members;
}

Text JoinText(const TextArray& members, const Text& separator) {
    std::size_t total = 0;
    for (const Text& member : members) total += member.size() + separator.size();
    Text joined;
    joined.reserve(total);
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0) joined += separator;
        joined += members[i];
    }
    return joined;
}

Text TrimBoth(const Text& text) {
    std::size_t first = 0;
    while (const std::size_t width = BlankWidthAt(text, first)) first += width;
    if (first == text.size()) return Text();
    std::size_t end = text.size();
    if (IsLeadByte(text[end - 1]) && IsCharacterStart(text, first, end - 1)) {
        return text.substr(first, end - 1 - first);  // cut in front of an incomplete character
    }
    while (end > first) {
        // A lead byte in front of `end` can only be a second byte.
        const bool twoBytes = IsLeadByte(text[end - 1]) || !IsCharacterStart(text, first, end - 1);
        const std::size_t charStart = end - (twoBytes ? 2 : 1);
        if (BlankWidthAt(text, charStart) != end - charStart) break;
        end = charStart;
    }
    return text.substr(first, end - first);
}

Text RemoveSpaces(const Text& text) {
    Text kept;
    kept.reserve(text.size());
    std::size_t copied = 0;
    std::size_t i = 0;
    while (i < text.size() && !IsLoneLastByte(text, i)) {
        if (const std::size_t blank = BlankWidthAt(text, i)) {
            kept.append(text, copied, i - copied);
            i += blank;
            copied = i;
        } else {
            i += CharWidth(text[i]);
        }
    }
    return kept.append(text, copied, i - copied);
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
