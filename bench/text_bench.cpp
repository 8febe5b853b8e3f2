#include <string>

#include "bench/baselines.h"
#include "bench/inputs.h"
#include "bench/register.h"
#include "resolver/resolver.h"
#include "text/text.h"

namespace {

const char* KindName(Script script) { return script == Script::Ascii ? "ascii" : "gbk"; }

// A share link in front of the prose, as a clipboard might hold it.
const Text& LinkThenProse(std::size_t bytes) {
    static std::map<std::size_t, Text> cache;
    auto it = cache.find(bytes);
    if (it == cache.end()) {
        const Text link = "https://onedrive.live.com/redir?resid=ABC!123&authkey=!XYZ ";
        it = cache.emplace(bytes, ConcatText(link, Prose(Script::Ascii, bytes - link.size()))).first;
    }
    return it->second;
}

void RegisterWalks(Script script) {
    const std::string kind = KindName(script);
    const auto prose = [script](std::size_t n) -> const Text& { return Prose(script, n); };
    const std::string absent = AbsentWord(script);
    const std::string sentence = Sentence(script);

    RegisterPair(
        "FindText", "string_view::find", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c), absent] { return FindText(t, absent); }; },
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), absent] { return std::string_view(t).find(absent); };
        });
    RegisterPair(
        "SplitText", "string_view::find", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), sentence] { return SplitText(t, sentence); };
        },
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), sentence] { return StdSplit(t, sentence); };
        });
    RegisterPair(
        "TrimBoth", "find_first_not_of+memcpy", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) { return [&t = Nth(Padded(script, n), c)] { return TrimBoth(t); }; },
        [=](std::size_t n, std::size_t c) { return [&t = Nth(Padded(script, n), c)] { return StdTrim(t); }; });
    RegisterPair(
        "RemoveSpaces", "memchr+memcpy", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return RemoveSpaces(t); }; },
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return StdRemoveByte(t, ' '); }; });
    RegisterPair(
        "ToUpper", "memcpy", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return ToUpper(t); }; },
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return StdCopy(t); }; });
    RegisterPair(
        "ToLower", "memcpy", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return ToLower(t); }; },
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return StdCopy(t); }; });

    // Every word "dolor", or every full-width space, becomes a short ASCII text.
    const std::string what = script == Script::Ascii ? "dolor" : "\xA1\xA1";
    RegisterPair(
        "ReplaceText", "string_view::find", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), what] { return ReplaceText(t, what, "#", 1, EVERY_OCCURRENCE, true); };
        },
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), what] { return StdReplace(t, what, "#"); };
        });
    RegisterPair(
        "ExtractHost", "memcpy", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return ExtractHost(t); }; },
        [=](std::size_t n, std::size_t c) { return [&t = Nth(prose(n), c)] { return StdCopy(t); }; });
    // The left marker near the start, the right one only at the very end.
    RegisterPair(
        "TextBetween", "string_view::find", kind, kByteSizes,
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), absent] { return TextBetween(t, Text(t, 10, 4), absent); };
        },
        [=](std::size_t n, std::size_t c) {
            return [&t = Nth(prose(n), c), absent] {
                const std::string_view view(t);
                const std::size_t left = view.find(view.substr(10, 4));
                return view.find(absent, left + 4);
            };
        });
}

}  // namespace

void RegisterTextBenchmarks() {
    RegisterWalks(Script::Ascii);
    RegisterWalks(Script::DoubleByte);

    RegisterPair(
        "ExtractHost", "memcpy", "link", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&t = Nth(LinkThenProse(n), c)] { return ExtractHost(t); }; },
        [](std::size_t n, std::size_t c) { return [&t = Nth(LinkThenProse(n), c)] { return StdCopy(t); }; });
    // The auto-fill's test of the clipboard text: prose without a link, and a link in front.
    for (Script script : {Script::Ascii, Script::DoubleByte}) {
        RegisterPair(
            "IsShareLink", "memcpy", KindName(script), kByteSizes,
            [script](std::size_t n, std::size_t c) {
                return [&t = Nth(Prose(script, n), c)] { return IsShareLink(t); };
            },
            [script](std::size_t n, std::size_t c) { return [&t = Nth(Prose(script, n), c)] { return StdCopy(t); }; });
    }
    RegisterPair(
        "IsShareLink", "memcpy", "link", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&t = Nth(LinkThenProse(n), c)] { return IsShareLink(t); }; },
        [](std::size_t n, std::size_t c) { return [&t = Nth(LinkThenProse(n), c)] { return StdCopy(t); }; });

    // Sizes are those of the Base64 text.
    RegisterPair(
        "Base64Encode", "memcpy", "random", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&b = Nth(RandomBytes(n / 4 * 3), c)] { return Base64Encode(b); }; },
        [](std::size_t n, std::size_t c) { return [&b = Nth(RandomBytes(n / 4 * 3), c)] { return Bytes(b); }; });
    RegisterPair(
        "Base64Decode", "memcpy", "lines", kByteSizes,
        [](std::size_t n, std::size_t c) {
            static std::map<std::size_t, Text> encoded;
            Text& text = encoded[n];
            if (text.empty()) {
                // Lines of 76 characters, as mail and PEM write them.
                const Text flat = Base64Encode(RandomBytes(n / 78 * 57));
                for (std::size_t at = 0; at < flat.size(); at += 76) text += flat.substr(at, 76) + "\r\n";
            }
            return [&t = Nth(text, c)] { return Base64Decode(t); };
        },
        [](std::size_t n, std::size_t c) { return [&b = Nth(RandomBytes(n), c)] { return Bytes(b); }; });
    RegisterPair(
        "Utf8ToGbk", "memcpy", "utf8", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&b = Nth(Utf8Prose(n), c)] { return Utf8ToGbk(b); }; },
        [](std::size_t n, std::size_t c) { return [&b = Nth(Utf8Prose(n), c)] { return Bytes(b); }; });
}
