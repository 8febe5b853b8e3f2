// What the standard library does for the same shape of work: the yardsticks of the table.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

inline std::string StdCopy(std::string_view text) { return std::string(text); }

inline std::vector<std::string> StdSplit(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    std::size_t cut = 0;
    for (std::size_t at; (at = text.find(separator, cut)) != std::string_view::npos; cut = at + separator.size()) {
        pieces.emplace_back(text.substr(cut, at - cut));
    }
    if (cut < text.size()) pieces.emplace_back(text.substr(cut));
    return pieces;
}

inline std::string StdRemoveByte(std::string_view text, char byte) {
    std::string kept;
    kept.reserve(text.size());
    const char* at = text.data();
    const char* end = at + text.size();
    while (const void* hit = std::memchr(at, byte, static_cast<std::size_t>(end - at))) {
        const char* blank = static_cast<const char*>(hit);
        kept.append(at, blank);
        at = blank + 1;
    }
    kept.append(at, end);
    return kept;
}

inline std::string StdTrim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::string();
    return std::string(text.substr(first, text.find_last_not_of(' ') + 1 - first));
}

inline std::string StdReplace(std::string_view text, std::string_view what, std::string_view replacement) {
    std::string result;
    result.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(what, from)) != std::string_view::npos; from = at + what.size()) {
        result.append(text.substr(from, at - from));
        result.append(replacement);
    }
    result.append(text.substr(from));
    return result;
}
