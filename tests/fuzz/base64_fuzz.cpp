// The Base64 codec: exact round trips, blanks and line breaks that vanish, and
// the lenient decoder's bounds on any text.
#include "tests/fuzz/fuzz_support.h"
#include "text/process_events_probe.h"

namespace {

const Text ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int g_groupsDecoded = 0;
void CountGroup() { ++g_groupsDecoded; }

bool StartsWith(const Bytes& bytes, const Bytes& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

void CheckRoundTrip(const Bytes& data, FuzzedDataProvider& input) {
    const Text encoded = Base64Encode(data);
    FUZZ_CHECK(encoded.size() == (data.size() + 2) / 3 * 4);
    const std::size_t padding = data.size() % 3 == 0 ? 0 : 3 - data.size() % 3;
    FUZZ_CHECK(encoded.find_first_not_of(ALPHABET) == (padding ? encoded.size() - padding : Text::npos));
    FUZZ_CHECK(encoded.find_first_not_of('=', encoded.size() - padding) == Text::npos);
    FUZZ_CHECK(Base64Decode(encoded) == data);

    // Blanks and CR LF pairs between the characters change nothing.
    const Text breaks[] = {" ", "\xA1\xA1", "\r\n"};
    Text spread;
    for (char c : encoded) {
        while (input.ConsumeBool()) spread += breaks[input.ConsumeIntegralInRange(0, 2)];
        spread += c;
    }
    FUZZ_CHECK(Base64Decode(spread) == data);
}

void CheckAnyText(const Text& text) {
    g_groupsDecoded = 0;
    const Bytes decoded = Base64Decode(text);
    // Three bytes per group of four, less at most the last group's three.
    const std::size_t full = static_cast<std::size_t>(g_groupsDecoded) * 3;
    FUZZ_CHECK(decoded.size() <= full && decoded.size() + 3 >= full);
    FUZZ_CHECK(static_cast<std::size_t>(g_groupsDecoded) * 4 <= text.size() + 3);
}

// Text in the alphabet alone: a short last group reads as if completed with
// "A", and what follows whole groups never changes what they decoded to.
void CheckAlphabetPrefix(const Text& raw, const Text& rest) {
    Text groups;
    for (char c : raw) groups += ALPHABET[static_cast<unsigned char>(c) % 64];
    const Text padded = ConcatText(groups, Text((4 - groups.size() % 4) % 4, 'A'));
    const Bytes decoded = Base64Decode(groups);
    FUZZ_CHECK(decoded == Base64Decode(padded));
    FUZZ_CHECK(decoded.size() == padded.size() / 4 * 3);
    FUZZ_CHECK(Base64Encode(decoded) == padded);
    FUZZ_CHECK(StartsWith(Base64Decode(ConcatText(padded, rest)), decoded));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SetProcessEventsHook(CountGroup);
    FuzzedDataProvider input(data, size);
    const Text raw = TakeText(input, 48);
    const Text rest = TakeText(input, 48);
    const Bytes bytes = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 64));

    CheckRoundTrip(bytes, input);
    CheckAnyText(raw);
    CheckAnyText(rest);
    CheckAlphabetPrefix(raw, rest);
    return 0;
}
