// UTF-8 to GBK: well-formed code-page text out of any bytes, the cut at the
// first zero, decoding that starts afresh after every ASCII byte, and, for
// well-formed UTF-8, every character either kept or turned into "?".
#include <iconv.h>

#include "tests/fuzz/fuzz_support.h"

namespace {

// Code points of `bytes` in `code`, or nothing when they are not well formed there.
std::vector<char32_t> Decode(const char* code, const std::string& bytes, bool& wellFormed) {
    std::vector<char32_t> points(bytes.size() + 1);
    iconv_t converter = iconv_open("UTF-32LE", code);
    FUZZ_CHECK(converter != reinterpret_cast<iconv_t>(-1));
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* out = reinterpret_cast<char*>(points.data());
    std::size_t outLeft = points.size() * sizeof(char32_t);
    wellFormed = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    points.resize(points.size() - outLeft / sizeof(char32_t));
    return points;
}

// Every byte from 0x81 opens a two-byte character with a valid second byte; 0x80
// stands alone (the euro sign).
bool IsWellFormedGbk(const Text& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0xFF) return false;
        if (c <= 0x80) continue;
        if (++i == text.size()) return false;
        const unsigned char second = static_cast<unsigned char>(text[i]);
        if (second < 0x40 || second == 0x7F || second == 0xFF) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes utf8(data, data + size);
    const Text gbk = Utf8ToGbk(utf8);
    FUZZ_CHECK(!HoldsZeroByte(gbk));
    FUZZ_CHECK(IsWellFormedGbk(gbk));
    FUZZ_CHECK(gbk.size() <= 2 * utf8.size());

    const auto zero = std::find(utf8.begin(), utf8.end(), 0);
    const Bytes uncut(utf8.begin(), zero);
    FUZZ_CHECK(Utf8ToGbk(uncut) == gbk);

    // After an ASCII byte no sequence is open, so the two halves convert apart.
    for (std::size_t i = uncut.size() / 2; i < uncut.size(); ++i) {
        if (uncut[i] >= 0x80) continue;
        const Bytes head(uncut.begin(), uncut.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        const Bytes tail(uncut.begin() + static_cast<std::ptrdiff_t>(i) + 1, uncut.end());
        FUZZ_CHECK(ConcatText(Utf8ToGbk(head), Utf8ToGbk(tail)) == gbk);
        break;
    }

    bool utf8WellFormed = false;
    const std::vector<char32_t> wanted = Decode("UTF-8", std::string(uncut.begin(), uncut.end()), utf8WellFormed);
    if (!utf8WellFormed) return 0;
    bool gbkWellFormed = false;
    const std::vector<char32_t> got = Decode("CP936", gbk, gbkWellFormed);
    FUZZ_CHECK(gbkWellFormed);
    // Beyond the basic plane the two UTF-16 halves become a "?" each.
    std::size_t at = 0;
    for (char32_t point : wanted) {
        const std::size_t units = point > 0xFFFF ? 2 : 1;
        FUZZ_CHECK(at + units <= got.size());
        for (std::size_t k = 0; k < units; ++k, ++at)
            FUZZ_CHECK(got[at] == (units == 2 ? U'?' : point) || got[at] == U'?');
    }
    FUZZ_CHECK(at == got.size());
    return 0;
}
