// Character-step walks shared by the text primitives. Every position here is a 0-based byte
// offset, and a "boundary" is an offset where a character starts when the text is walked from
// the offset the caller began at.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// What a search has learned about a text so far: a caller that searches the same text again and
// again, left to right, hands the same state to every call.
struct SearchState {
    std::size_t known = 0;  // a boundary at or before the next search
};

// Whether `at` is a boundary, given that `known` <= `at` is one.
bool IsBoundary(std::string_view text, std::size_t known, std::size_t at);

// The first boundary at or after `begin` (itself a boundary) where `what` (not empty) starts
// and lies wholly inside `text`; kNoMatch when there is none. With `foldCase`, ASCII letters
// match regardless of case; bytes of double-byte characters always compare exactly. A match on
// an incomplete final character is reported: callers decide what it means.
std::size_t FindAtBoundary(std::string_view text, std::size_t begin, std::string_view what, bool foldCase,
                           SearchState& state);

// The first boundary in [begin, end) whose byte is `a` or `b` (bytes below 0x80); kNoMatch when
// there is none. Here `begin` need not be a boundary: `state.known` is one at or before it, so
// that a walk can go on piece by piece wherever the pieces end.
std::size_t FindEitherAtBoundary(std::string_view text, std::size_t begin, std::size_t end, char a, char b,
                                 SearchState& state);

// The first blank character (space, or the full-width space 0xA1 0xA1) at a boundary at or after
// `begin`; kNoMatch when there is none.
std::size_t FindBlank(std::string_view text, std::size_t begin, SearchState& state);

// Width of the blank character at boundary `at`: 1, 2, or 0 when it is not blank.
std::size_t BlankWidthAt(std::string_view text, std::size_t at);

// Whether the walk from boundary `from` (< size) ends on an incomplete double-byte character.
bool EndsInIncompleteCharacter(std::string_view text, std::size_t from);

// Where the run of blank characters that reaches the end of `text` begins, walking from
// boundary `from`; the text must not end in an incomplete character.
std::size_t TrailingBlankStart(std::string_view text, std::size_t from);

// Appends ToLower of `piece` to `lowered`, so that a text can be lower-cased a piece at a time:
// `secondFirst` (0 for the first piece) carries from piece to piece whether the next one starts
// with the second byte of a character.
void AppendLowerCase(std::string& lowered, std::string_view piece, unsigned& secondFirst);
