// Link resolution: the direct link derived from a link and the service's
// answer, the share-link test of the auto-fill, and the choice of the
// "Location" line out of a redirect answer built of known lines.
#include "http/http_request.h"
#include "resolver/resolver.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool StartsWith(const Text& text, const Text& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool EndsWith(const Text& text, const Text& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), Text::npos, suffix) == 0;
}

void CheckDerivation(const Text& link, const Text& answer) {
    int expansions = 0;
    const Text direct = DeriveDirectLink(link, [&](const Text& asked) {
        ++expansions;
        FUZZ_CHECK(asked == link);
        return answer;
    });
    const bool personalLink = ExtractHost(link) == PERSONAL_SHARE_HOST;
    FUZZ_CHECK(expansions == (personalLink ? 0 : 1));
    const Text& resolved = personalLink ? link : answer;

    if (FindText(resolved, PERSONAL_SHARE_HOST) != -1) {
        const Text authkey = TextBetween(resolved, "&authkey=", "&");
        const Text resid = TextBetween(resolved, "resid=", "&");
        const bool complete = !authkey.empty() && !resid.empty();
        FUZZ_CHECK(direct == (complete ? ConcatText("https://", STORAGE_HOST, "/items/", resid, "?authkey=", authkey)
                                       : Text()));
    } else if (FindText(resolved, BUSINESS_HOST_SUFFIX) != -1) {
        const Text id = TextBetween(resolved, "id=", "&parent=");
        if (id.empty()) FUZZ_CHECK(direct.empty());
        if (direct.empty()) return;
        FUZZ_CHECK(StartsWith(direct, "https://") && EndsWith(direct, id));
        const Text host = TextMiddle(direct, 9, TextLength(direct) - 8 - TextLength(id));
        FUZZ_CHECK(!host.empty() && ToLower(host) == host);
        FUZZ_CHECK(FindText(host, "/") == -1 && FindText(host, ":") == -1);
    } else {
        FUZZ_CHECK(direct.empty());
    }
}

void CheckShareLinkTest(const Text& text, const Text& tail) {
    const bool share = IsShareLink(text);
    FUZZ_CHECK(IsShareLink(ToUpper(text)) == share && IsShareLink(ToLower(text)) == share);
    for (const Text& host : {Text(PERSONAL_SHARE_HOST), Text(SHORT_LINK_HOST), Text(BUSINESS_HOST_SUFFIX)}) {
        FUZZ_CHECK(IsShareLink(ConcatText("https://", ToUpper(host), "/", tail)));
        if (FindText(tail, "http://", 1, true) == -1) {
            FUZZ_CHECK(IsShareLink(ConcatText(host, ":", tail)) == SlashFollows(tail));
            // A blank in front hides an https link.
            FUZZ_CHECK(!IsShareLink(ConcatText(" https://", host, "/", tail)));
        }
    }
}

// A request object that answers the header block and counts what it is asked.
struct AnsweringObject final : RequestObject {
    Text responseHeaders;
    std::vector<std::pair<Text, std::vector<AutomationValue>>> calls;

    AutomationValue Invoke(const Text& member, MemberKind, const std::vector<AutomationValue>& args) override {
        calls.emplace_back(member, args);
        if (member == "GetAllResponseHeaders") return responseHeaders;
        return {};
    }
};

struct AnsweringPlatform final : RequestPlatform {
    std::shared_ptr<AnsweringObject> object = std::make_shared<AnsweringObject>();
    void Initialize() override {}
    void Uninitialize() override {}
    std::shared_ptr<RequestObject> CreateRequestObject() override { return object; }
};

void CheckExpansion(const Text& link, FuzzedDataProvider& input) {
    TextArray lines;
    Text expected;
    while (lines.size() < 6 && input.remaining_bytes() > 0) {
        const Text part = AsLinePart(TakeText(input, 24));
        if (input.ConsumeBool()) {
            lines.push_back(ConcatText("Location", part));
            if (expected.empty()) expected = lines.back();
        } else if (!StartsWith(part, "Location")) {
            lines.push_back(part);
        }
    }
    AnsweringPlatform platform;
    platform.object->responseHeaders = ConcatText(JoinText(lines, "\r\n"), "\r\n\r\n");
    RequestPlatform* previous = UseRequestPlatform(&platform);
    const Text line = ExpandShortLink(link);
    UseRequestPlatform(previous);

    FUZZ_CHECK(line == expected);
    // One request, a GET of the link as given, with redirects off.
    int opens = 0, sends = 0;
    bool redirectsOff = false;
    for (const auto& [member, args] : platform.object->calls) {
        if (member == "Open") {
            ++opens;
            FUZZ_CHECK(args.size() >= 2 && args[0] == AutomationValue(Text("GET")) && args[1] == AutomationValue(link));
        }
        sends += member == "Send";
        redirectsOff |= member == "Option" && args == std::vector<AutomationValue>{std::int32_t{6}, std::int32_t{0}};
    }
    FUZZ_CHECK(opens == 1 && sends == 1 && redirectsOff);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Text link = TakeText(input, 96);
    const Text answer = TakeText(input, 128);

    CheckDerivation(link, answer);
    CheckShareLinkTest(link, answer);
    CheckExpansion(link, input);
    return 0;
}
