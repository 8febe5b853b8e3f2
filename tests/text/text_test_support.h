// Helpers shared by the text tests.
#pragma once

#include <cstdio>
#include <string>

#include "text/text.h"

// Bytes as hex pairs, so that failures show GBK bytes readably.
template <class ByteSequence>
std::string Hex(const ByteSequence& bytes) {
    std::string hex;
    for (unsigned char byte : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", byte);
        hex += pair;
    }
    if (!hex.empty()) hex.pop_back();
    return hex;
}
