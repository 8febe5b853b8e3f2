#include "bench/reference.h"

#include <cstdint>
#include <vector>

#include "bench/inputs.h"
#include "http/http_request.h"
#include "tests/reference/host_rule.h"

namespace {

Text ReferenceRemoveDuplicateItems(const Text& text, const Text& separator) {
    TextArray taken;
    Text result;
    for (const Text& item : SplitText(text, separator)) {
        bool seen = false;
        for (const Text& earlier : taken) {
            if (CompareText(earlier, item) == 0) {
                seen = true;
                break;
            }
        }
        if (seen) continue;
        taken.push_back(item);
        result = ConcatText(result, item, separator);
    }
    return TextLeft(result, TextLength(result) - TextLength(separator));
}

Text ReferenceMergeCookies(Text& sent, const Text& received) {
    const TextArray sentItems = SplitText(RemoveSpaces(sent), ";");
    TextArray merged = SplitText(RemoveSpaces(received), ";");
    for (const Text& item : sentItems) {
        if (!HasCookieNamed(merged, CookieName(item))) merged.push_back(item);
    }
    Text text;
    for (const Text& item : merged) {
        if (CompareText(TextRight(item, 8), "=deleted") != 0) text = ConcatText(text, item, "; ");
    }
    sent = ReferenceRemoveDuplicateItems(TextLeft(text, TextLength(text) - 2), "; ");
    return sent;
}

// Short texts made of the pieces where the host rule can go wrong.
std::vector<Text> HostSamples() {
    static const char* const kPieces[] = {"http://", "HTTPS://", "https://", "Http:/", "/", ":", "a", "Z",
                                          " ", "\xB0", "\xB0\xA1", "\xA1/", "\x81:", "h", "s:", "Location: "};
    std::vector<Text> samples = {"", "/", "https://", "https:///x", "http:/", "\xB0", "a\xB0", "https://a\xB0",
                                 "x http:/", "HTTP://Files.Example", "https://Files.Example:81/a/b"};
    std::uint64_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        Text sample;
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const int pieces = static_cast<int>((state >> 33) % 7);
        for (int p = 0; p < pieces; ++p) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            sample += kPieces[(state >> 33) % (sizeof kPieces / sizeof kPieces[0])];
        }
        samples.push_back(sample);
    }
    return samples;
}

struct MergeCase {
    Text sent;
    Text received;
};

}  // namespace

std::string CheckAgainstReferences(bool& allIdentical) {
    std::vector<MergeCase> merges = {
        {"a=1; x=9", "a=2; b=3"}, {"a=1", "a=deleted; b=3"}, {"a=1", "a=DELETED"}, {"x=1; x=2", ""},
        {"q=a b", ""},            {"", "a=1; a=1"},          {"", "a=1; a=2"},    {"", ""},
        {"", "a=1;;b=2"},         {" a =1;\xA1\xA1 b=2", "b =3; a=1"},
    };
    std::vector<Text> lists = {"a; b; a; c", "", "a", "a; a", "; ; a; ", "a;b; a;b"};
    const std::size_t sizes[] = {100, 1000, 3000};
    for (std::size_t items : sizes) {
        merges.push_back({Cookies(items / 2, 1), Cookies(items / 2, 2)});
        lists.push_back(Cookies(items, 0));
    }

    std::size_t mergeDiffers = 0;
    for (const MergeCase& c : merges) {
        Text fastSent = c.sent;
        Text referenceSent = c.sent;
        const Text fast = MergeCookies(fastSent, c.received);
        const Text reference = ReferenceMergeCookies(referenceSent, c.received);
        if (fast != reference || fastSent != referenceSent) ++mergeDiffers;
    }
    std::size_t listDiffers = 0;
    for (const Text& list : lists) {
        if (RemoveDuplicateItems(list, "; ") != ReferenceRemoveDuplicateItems(list, "; ")) ++listDiffers;
    }
    std::size_t hostDiffers = 0;
    const std::vector<Text> hosts = HostSamples();
    for (const Text& link : hosts) {
        if (ExtractHost(link) != ExtractHostByTheRule(link)) ++hostDiffers;
    }
    allIdentical = mergeDiffers == 0 && listDiffers == 0 && hostDiffers == 0;

    const std::string where = "the edge cases and texts of 100, 1000 and 3000 items";
    const auto line = [&](const char* name, std::size_t differs, std::size_t total) {
        return std::string(name) + (differs == 0 ? ": identical, order included, on " : ": DIFFERS on ") +
               (differs == 0 ? where : std::to_string(differs) + " of " + std::to_string(total) + " inputs");
    };
    return line("MergeCookies", mergeDiffers, merges.size()) + "\n" +
           line("RemoveDuplicateItems", listDiffers, lists.size()) + "\n" + "ExtractHost: " +
           (hostDiffers == 0 ? "identical to the whole-text rule on " + std::to_string(hosts.size()) + " short texts"
                             : "DIFFERS on " + std::to_string(hostDiffers) + " of " + std::to_string(hosts.size()) +
                                   " short texts");
}
