#include <array>

#include "text/text.h"

namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of each byte in the alphabet, -1 outside it.
constexpr std::array<signed char, 256> MakeValues() {
    std::array<signed char, 256> values{};
    for (signed char& v : values) v = -1;
    for (int i = 0; i < 64; ++i) values[static_cast<unsigned char>(ALPHABET[i])] = static_cast<signed char>(i);
    return values;
}
constexpr std::array<signed char, 256> VALUES = MakeValues();

}  // namespace

Text Base64Encode(const Bytes& data) {
    if (data.empty()) return Text();
    const std::size_t groups = (data.size() + 2) / 3;
    Text encoded;
    encoded.reserve(groups * 4);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t i = g * 3;
        const unsigned b0 = data[i];
        const unsigned b1 = i + 1 < data.size() ? data[i + 1] : 0;
        const unsigned b2 = i + 2 < data.size() ? data[i + 2] : 0;
        encoded += ALPHABET[b0 >> 2];
        encoded += ALPHABET[((b0 & 3) << 4) | (b1 >> 4)];
        encoded += ALPHABET[((b1 & 15) << 2) | (b2 >> 6)];
        encoded += ALPHABET[b2 & 63];
    }
    const std::size_t r = data.size() % 3;
    if (r > 0) encoded.replace(encoded.size() - (3 - r), 3 - r, 3 - r, '=');
    return encoded;
}

Bytes Base64Decode(const Text& text) {
    const Text cleaned = ReplaceText(RemoveSpaces(text), "\r\n", Text(), 1, EVERY_OCCURRENCE, true);
    const std::size_t length = cleaned.size();
    const std::size_t groups = (length + 3) / 4;

    // The slots carry over from group to group: a group cut short by a byte outside the
    // alphabet keeps the values of the one before it in its remaining slots.
    unsigned slots[4] = {0, 0, 0, 0};
    int stop = 0;
    Bytes output;
    output.reserve(groups * 3);
    for (std::size_t g = 0; g < groups; ++g) {
        stop = 5;
        for (int k = 0; k < 4; ++k) {
            const std::size_t at = g * 4 + static_cast<std::size_t>(k);
            const unsigned char c = at < length ? static_cast<unsigned char>(cleaned[at]) : 0;
            if (c == 0) {
                slots[k] = 0;
                continue;
            }
            if (VALUES[c] < 0) {
                slots[k] = c;
                stop = k + 1;
                break;
            }
            slots[k] = static_cast<unsigned>(VALUES[c]);
        }
        output.push_back(ToByte(static_cast<int>((4 * slots[0]) | (slots[1] / 16))));
        output.push_back(ToByte(static_cast<int>((16 * slots[1]) | (slots[2] / 4))));
        output.push_back(ToByte(static_cast<int>((64 * slots[2]) | slots[3])));
        ProcessEvents();
    }
    // A last group cut short at its first byte carries no data: only its own three bytes go.
    const std::size_t drop = stop == 1 ? 3 : stop >= 2 && stop <= 4 ? static_cast<std::size_t>(5 - stop) : 0;
    output.resize(output.size() - drop);
    return output;
}
