// Native stand-ins for the Windows services behind the text routines: a hook in place of the
// message pump, and iconv in place of the system's code-page conversion. The conversion gives
// what MultiByteToWideChar and WideCharToMultiByte give for code page 936, except that iconv
// knows neither the system's best-fit replacements nor its private-use mappings: those
// characters come out as "?".
#include <iconv.h>

#include <vector>

#include "text/process_events_probe.h"
#include "text/text.h"

namespace {

void (*g_processEventsHook)() = nullptr;

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

// Decodes UTF-8 up to its first zero byte. Each maximal ill-formed part (the longest start of
// a well-formed sequence, at least one byte) becomes one U+FFFD.
std::vector<char32_t> DecodeUtf8(const Bytes& utf8) {
    std::vector<char32_t> characters;
    characters.reserve(utf8.size());
    std::size_t i = 0;
    const std::size_t n = utf8.size();
    while (i < n && utf8[i] != 0) {
        const unsigned char lead = utf8[i];
        if (lead < 0x80) {
            characters.push_back(lead);
            ++i;
            continue;
        }
        int trail = 0;
        unsigned char low = 0x80, high = 0xBF;  // range of the first trail byte
        char32_t value = 0;
        if (InRange(lead, 0xC2, 0xDF)) {
            trail = 1;
            value = lead & 0x1F;
        } else if (InRange(lead, 0xE0, 0xEF)) {
            trail = 2;
            value = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (InRange(lead, 0xF0, 0xF4)) {
            trail = 3;
            value = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        std::size_t j = i + 1;
        int taken = 0;
        while (taken < trail && j < n && InRange(utf8[j], low, high)) {
            value = (value << 6) | (utf8[j] & 0x3F);
            ++j;
            ++taken;
            low = 0x80;
            high = 0xBF;
        }
        characters.push_back(trail > 0 && taken == trail ? value : U'\uFFFD');
        i = j;
    }
    return characters;
}

}  // namespace

void SetProcessEventsHook(void (*hook)()) { g_processEventsHook = hook; }

void ProcessEvents() {
    if (g_processEventsHook) g_processEventsHook();
}

Text Utf8ToGbk(const Bytes& utf8) {
    const std::vector<char32_t> characters = DecodeUtf8(utf8);
    if (characters.empty()) return Text();
    iconv_t converter = iconv_open("CP936", "UTF-32LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) return Text();

    Text gbk;
    gbk.reserve(characters.size() * 2);
    char buffer[8];
    for (char32_t character : characters) {
        // Beyond the basic plane the system converts the two UTF-16 halves one by one, and the
        // code page holds neither.
        if (character > 0xFFFF) {
            gbk += "??";
            continue;
        }
        unsigned char in[4] = {static_cast<unsigned char>(character), static_cast<unsigned char>(character >> 8),
                               static_cast<unsigned char>(character >> 16),
                               static_cast<unsigned char>(character >> 24)};
        char* inPtr = reinterpret_cast<char*>(in);
        std::size_t inLeft = sizeof in;
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        // A character the code page cannot hold becomes its default character.
        if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            gbk += '?';
        } else {
            gbk.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        }
    }
    iconv_close(converter);
    return gbk;
}
