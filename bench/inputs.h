// Deterministic benchmark inputs, made once per kind and size and kept for the whole run.
#pragma once

#include <cstddef>
#include <map>
#include <utility>

#include "text/text.h"

enum class Script { Ascii, DoubleByte };

// Sentences of words: ASCII words, or GB2312 characters (every byte 0x80 or above) between
// ASCII and full-width blanks and punctuation. Sentences end in Sentence(script).
const Text& Prose(Script script, std::size_t bytes);
const char* Sentence(Script script);
// A word that never occurs in Prose(script, ...) but whose first byte does, as a first or a
// second byte.
const char* AbsentWord(Script script);
// Prose with blanks of both kinds at both ends.
const Text& Padded(Script script, std::size_t bytes);
// Cookie texts of `items` items joined by "; ": names repeat, some values hold blanks, some
// items are "=deleted", some are whole repeats. `salt` gives a second, overlapping set of names.
const Text& Cookies(std::size_t items, unsigned salt);
// Header blocks: "Name: value" lines joined by "\r\n", lower-case names, a few Set-Cookie lines.
const Text& Headers(std::size_t bytes);
// UTF-8 of mixed Chinese and ASCII text.
const Bytes& Utf8Prose(std::size_t bytes);
const Bytes& RandomBytes(std::size_t bytes);

// The copy-th copy of an input (the input itself for 0), made once: the same bytes elsewhere in
// memory.
template <class T>
const T& Nth(const T& input, std::size_t copy) {
    if (copy == 0) return input;
    static std::map<std::pair<const T*, std::size_t>, T> copies;
    return copies.try_emplace(std::pair(&input, copy), input).first->second;
}
