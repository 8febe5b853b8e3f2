// Link resolution: the direct link derived from a link and the service's
// answer, the share-link test of the auto-fill, and the choice of the
// "Location" line out of a redirect answer built of known lines.
#include "http/http_request.h"
#include "resolver/resolver.h"
#include "resolver/service.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/resolver/scripted_object.h"

namespace {

bool StartsWith(const Text& text, const Text& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool EndsWith(const Text& text, const Text& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), Text::npos, suffix) == 0;
}

// A link with a line break is refused before anything is sent; so is one that ends in half a
// character, which would take the line break after its Referer header for its second byte.
bool RefusedForRequest(const Text& link) {
    std::size_t end = 0;
    while (end < link.size()) end += static_cast<unsigned char>(link[end]) >= 0x80 ? 2 : 1;
    return link.find_first_of("\r\n") != Text::npos || end > link.size();
}

// The first "Location" line of a header block, as the expansion picks it.
Text LocationLineOf(const Text& headers) {
    for (const Text& line : SplitText(headers, "\r\n")) {
        if (IsLocationLine(line)) return line;
    }
    return Text();
}

void CheckDerivation(const Text& typed, const Text& answer) {
    auto service = std::make_shared<ScriptedObject>();
    service->answers.push_back({302, answer, ""});
    ResolverSession session{service, {}};
    const Text direct = DeriveDirectLink(typed, session);
    FUZZ_CHECK(LinkPart(direct) == direct);
    const Text link = LinkPart(typed);
    if (HasUserPart(link)) {
        FUZZ_CHECK(direct.empty() && service->sent.empty());
        return;
    }
    const bool personalLink = ExtractHost(link) == PERSONAL_SHARE_HOST;
    const bool refused = !personalLink && RefusedForRequest(link);
    // Links without an authkey may go on to ask the anonymous interface for a token, which this
    // service does not give: they end in nothing.
    const std::size_t expansions = personalLink || refused ? 0 : 1;
    const bool askedForAToken = service->sent.size() == expansions + 1 && service->sent.back().url == TOKEN_URL;
    FUZZ_CHECK(service->sent.size() == expansions || (askedForAToken && direct.empty()));
    if (!personalLink && !refused) FUZZ_CHECK(service->sent[0].url == link);
    const Text resolved = personalLink ? link : refused ? Text() : LocationLineOf(answer);

    if (FindText(resolved, PERSONAL_SHARE_HOST) != -1) {
        const Text authkey = TextBetween(resolved, "&authkey=", "&");
        const Text resid = TextBetween(resolved, "resid=", "&");
        if (authkey.empty()) FUZZ_CHECK(direct.empty());
        Text expected = authkey.empty() || resid.empty()
                            ? Text()
                            : ConcatText("https://", STORAGE_HOST, "/items/", resid, "?authkey=", authkey);
        if (LinkPart(expected) != expected) expected.clear();
        FUZZ_CHECK(direct == expected);
    } else if (FindText(resolved, BUSINESS_HOST_SUFFIX) != -1 || FindText(resolved, BUSINESS_HOST_SUFFIX_CN) != -1) {
        const Text id = TextBetween(resolved, "id=", "&parent=");
        if (id.empty()) FUZZ_CHECK(direct.empty() || direct == WithDownloadParameter(link));
        if (direct.empty() || id.empty()) return;
        const Text path = BusinessItemPath(id);
        FUZZ_CHECK(StartsWith(direct, "https://") && EndsWith(direct, path));
        const Text host = TextMiddle(direct, 9, TextLength(direct) - 8 - TextLength(path));
        FUZZ_CHECK(IsBusinessHost(host) && ToLower(host) == host);
        FUZZ_CHECK(FindText(host, "/") == -1 && FindText(host, ":") == -1 && FindText(host, "@") == -1);
    } else {
        FUZZ_CHECK(direct.empty());
    }
}

void CheckShareLinkTest(const Text& text, const Text& tail) {
    const bool share = IsShareLink(text);
    FUZZ_CHECK(IsShareLink(ToUpper(text)) == share && IsShareLink(ToLower(text)) == share);
    FUZZ_CHECK(!share || !HasUserPart(text));
    for (const Text& host :
         {Text(PERSONAL_SHARE_HOST), Text(SHORT_LINK_HOST), ConcatText("contoso-", BUSINESS_HOST_SUFFIX)}) {
        FUZZ_CHECK(IsShareLink(ConcatText("https://", ToUpper(host), "/", tail)));
        if (FindText(tail, "http://", 1, true) == -1) {
            const Text withPort = ConcatText(host, ":", tail);
            FUZZ_CHECK(IsShareLink(withPort) == (SlashFollows(tail) && !HasUserPart(withPort)));
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
    ResolverSession session;
    const Text line = ExpandShortLink(link, session);
    UseRequestPlatform(previous);

    const bool refused = RefusedForRequest(link);
    FUZZ_CHECK(line == (refused ? Text() : expected));
    // One request, a GET of the link as given, with redirects off and certificates checked.
    int opens = 0, sends = 0;
    bool redirectsOff = false;
    for (const auto& [member, args] : platform.object->calls) {
        if (member == "Open") {
            ++opens;
            FUZZ_CHECK(args.size() >= 2 && args[0] == AutomationValue(Text("GET")) && args[1] == AutomationValue(link));
        }
        sends += member == "Send";
        redirectsOff |= member == "Option" && args == std::vector<AutomationValue>{std::int32_t{6}, std::int32_t{0}};
        FUZZ_CHECK(!(member == "Option" && args.at(0) == AutomationValue(std::int32_t{4})));
    }
    FUZZ_CHECK(refused ? opens == 0 && sends == 0 : opens == 1 && sends == 1 && redirectsOff);
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
