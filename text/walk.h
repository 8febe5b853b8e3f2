// Character-step walks shared by the text primitives. Every position here is a 0-based byte
// offset, and a "boundary" is an offset where a character starts when the text is walked from
// the offset the caller began at.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// What a search has learned about a text so far. A caller that searches the same text for the
// same thing again and again, left to right, hands the same state to every call, so that each
// byte is scanned once in all.
struct SearchState {
    std::size_t known = 0;                        // a boundary at or before the next search
    std::size_t next[2] = {kNoMatch, kNoMatch};  // next position of each candidate byte
    bool scanned[2] = {false, false};
};

// The first boundary at or after `begin` (itself a boundary) where `what` (not empty) starts
// and lies wholly inside `text`; kNoMatch when there is none. With `foldCase`, ASCII letters
// match regardless of case; bytes of double-byte characters always compare exactly. A match on
// an incomplete final character is reported: callers decide what it means.
std::size_t FindAtBoundary(std::string_view text, std::size_t begin, std::string_view what, bool foldCase,
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
