#include "bench/inputs.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace {

// xorshift64*: the same inputs in every run.
struct Random {
    std::uint64_t state;
    explicit Random(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint32_t Next(std::uint32_t bound) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<std::uint32_t>(((state * 0x2545F4914F6CDD1Dull) >> 32) % bound);
    }
};

const char* const kWords[] = {"lorem",      "ipsum",        "dolor",
                              "sit",        "amet",         "consectetur",
                              "adipiscing", "elit",         "sed",
                              "do",         "eiusmod",      "tempor",
                              "incididunt", "ut",           "labore",
                              "et",         "dolore",       "magna",
                              "aliqua",     "enim",         "ad",
                              "minim",      "veniam",       "quis",
                              "nostrud",    "exercitation", "ullamco",
                              "laboris",    "nisi",         "aliquip",
                              "ex",         "ea",           "commodo",
                              "consequat",  "Duis",         "aute",
                              "irure",      "in",           "reprehenderit",
                              "voluptate",  "velit",        "esse",
                              "cillum",     "eu",           "fugiat",
                              "nulla",      "pariatur",     "Excepteur",
                              "sint",       "occaecat",     "cupidatat",
                              "non",        "proident",     "sunt",
                              "culpa",      "qui",          "officia",
                              "deserunt",   "mollit",       "anim",
                              "id",         "est",          "laborum",
                              "HTTP"};

// Characters of the first GB2312 level: first bytes 0xB0..0xCF, second bytes 0xA1..0xFE.
void AppendHanzi(Text& text, Random& random) {
    text += static_cast<char>(0xB0 + random.Next(0x20));
    text += static_cast<char>(0xA1 + random.Next(0x5E));
}

Text MakeProse(Script script, std::size_t bytes) {
    Random random(script == Script::Ascii ? 1 : 2);
    Text text;
    text.reserve(bytes + 64);
    while (text.size() < bytes) {
        const int words = 3 + static_cast<int>(random.Next(8));
        for (int w = 0; w < words; ++w) {
            if (script == Script::Ascii) {
                if (w > 0) text += random.Next(6) == 0 ? ", " : " ";
                text += kWords[random.Next(sizeof kWords / sizeof kWords[0])];
            } else {
                // ASCII space, full-width space or full-width comma between words.
                static const char* const kGaps[] = {" ", "\xA1\xA1", "\xA3\xAC"};
                if (w > 0) text += kGaps[random.Next(3)];
                const int characters = 1 + static_cast<int>(random.Next(5));
                for (int c = 0; c < characters; ++c) AppendHanzi(text, random);
            }
        }
        text += Sentence(script);
    }
    text.resize(bytes);
    // Never end inside a double-byte character: every run of bytes >= 0x80 here starts one.
    std::size_t run = 0;
    while (run < text.size() && static_cast<unsigned char>(text[text.size() - 1 - run]) >= 0x80) ++run;
    if (run % 2 == 1) text.back() = 'x';
    return text;
}

template <class Key, class Value, class Make>
const Value& Cached(std::map<Key, Value>& cache, const Key& key, Make make) {
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, make()).first;
    return it->second;
}

}  // namespace

const char* Sentence(Script script) { return script == Script::Ascii ? ". " : "\xA1\xA3"; }

const char* AbsentWord(Script script) {
    // "needle"; and two characters whose first byte 0xD0 occurs only as a second byte.
    return script == Script::Ascii ? "needle" : "\xD0\xE8\xD2\xAA";
}

const Text& Prose(Script script, std::size_t bytes) {
    static std::map<std::pair<Script, std::size_t>, Text> cache;
    return Cached(cache, std::pair(script, bytes), [&] { return MakeProse(script, bytes); });
}

const Text& Padded(Script script, std::size_t bytes) {
    static std::map<std::pair<Script, std::size_t>, Text> cache;
    return Cached(cache, std::pair(script, bytes), [&] {
        const Text blanks = "  \xA1\xA1 ";
        return ConcatText(blanks, Prose(script, bytes - 2 * blanks.size()), blanks);
    });
}

const Text& Cookies(std::size_t items, unsigned salt) {
    static std::map<std::pair<std::size_t, unsigned>, Text> cache;
    return Cached(cache, std::pair(items, salt), [&] {
        Random random(100 + salt);
        const std::size_t pool = items - items / 4 + 1;
        Text text;
        std::size_t lastStart = 0;
        for (std::size_t i = 0; i < items; ++i) {
            if (i > 0) text += "; ";
            const std::size_t start = text.size();
            if (i > 0 && random.Next(8) == 0) {
                // A whole repeat of the item before.
                text += Text(text, lastStart, start - 2 - lastStart);
            } else {
                text += 'c';
                text += std::to_string(random.Next(static_cast<std::uint32_t>(pool)) + salt * pool / 2);
                switch (random.Next(16)) {
                    case 0:
                        text += "=deleted";
                        break;
                    case 1:
                        text += "=a b";
                        text += std::to_string(i);
                        break;
                    default:
                        text += "=v";
                        text += std::to_string(random.Next(1000000));
                        break;
                }
            }
            lastStart = start;
        }
        return text;
    });
}

const Text& Headers(std::size_t bytes) {
    static std::map<std::size_t, Text> cache;
    return Cached(cache, bytes, [&] {
        Random random(7);
        Text text;
        for (std::size_t i = 0; text.size() < bytes; ++i) {
            if (i > 0) text += "\r\n";
            if (random.Next(10) == 0) {
                text += ConcatText("Set-Cookie: s", std::to_string(i), "=v", std::to_string(random.Next(100000)),
                                   "; Path=/");
            } else {
                text +=
                    ConcatText("x-custom-header-", std::to_string(random.Next(1000)), ": value ", std::to_string(i));
            }
        }
        return text;
    });
}

const Bytes& Utf8Prose(std::size_t bytes) {
    static std::map<std::size_t, Bytes> cache;
    return Cached(cache, bytes, [&] {
        Random random(3);
        Bytes utf8;
        utf8.reserve(bytes + 4);
        while (utf8.size() + 3 <= bytes) {
            if (random.Next(6) == 0) {
                utf8.push_back(' ');
                utf8.push_back(static_cast<unsigned char>('a' + random.Next(26)));
                continue;
            }
            const std::uint32_t code = 0x4E00 + random.Next(0x9FA5 - 0x4E00 + 1);
            utf8.push_back(static_cast<unsigned char>(0xE0 | (code >> 12)));
            utf8.push_back(static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F)));
            utf8.push_back(static_cast<unsigned char>(0x80 | (code & 0x3F)));
        }
        utf8.resize(bytes, 'z');
        return utf8;
    });
}

const Bytes& RandomBytes(std::size_t bytes) {
    static std::map<std::size_t, Bytes> cache;
    return Cached(cache, bytes, [&] {
        Random random(4);
        Bytes data(bytes);
        for (unsigned char& b : data) b = static_cast<unsigned char>(random.Next(256));
        return data;
    });
}
