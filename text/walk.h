// The character step shared by the walks over code-page-936 text: a byte of 0x80 or above
// starts a two-byte character.
#pragma once

#include <cstddef>

inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Bytes of the character that starts with `first`; the walk goes on this far.
inline std::size_t CharWidth(char first) { return IsLeadByte(first) ? 2 : 1; }
