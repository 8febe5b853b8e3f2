// Request header completion, name normalisation and the pairs set on the
// request object.
#include "http/http_request.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct DefaultHeader {
    Text key;
    Text line;
    bool postOnly;
};

std::vector<DefaultHeader> DefaultHeaders(const Text& url) {
    return {
        {"Accept:", "\r\nAccept: */*", false},
        {"Referer:", ConcatText("\r\nReferer: ", url), false},
        {"Accept-Language:", "\r\nAccept-Language: zh-cn", false},
        {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false},
        {"Content-Type:", "\r\nContent-Type: application/x-www-form-urlencoded", true},
    };
}

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

bool HasKey(const Text& block, const Text& key) { return FindText(block, key, 1, true) != -1; }

void CheckCompletion(const Text& block, const Text& url, bool isPost) {
    Text completed = block;
    CompleteRequestHeaders(completed, url, isPost);
    FUZZ_CHECK(completed.compare(0, block.size(), block) == 0);

    // What was added is default lines, in their order, each at most once.
    std::size_t at = block.size();
    for (const DefaultHeader& d : DefaultHeaders(url)) {
        const bool added = completed.compare(at, d.line.size(), d.line) == 0;
        if (added) at += d.line.size();
        if (d.postOnly && !isPost) {
            FUZZ_CHECK(!added);
            continue;
        }
        FUZZ_CHECK(HasKey(completed, d.key));
        if (HasKey(block, d.key)) FUZZ_CHECK(!added);
        if (!HasKey(block, d.key) && !HasKey(url, d.key)) FUZZ_CHECK(added);
    }
    FUZZ_CHECK(at == completed.size());

    Text again = completed;
    CompleteRequestHeaders(again, url, isPost);
    FUZZ_CHECK(again == completed);

    // Normalising keeps every line that holds a key.
    const Text normalized = NormalizeHeaderNames(completed);
    for (const DefaultHeader& d : DefaultHeaders(url)) {
        if (HasKey(completed, d.key)) FUZZ_CHECK(HasKey(normalized, d.key));
    }
}

void CheckNormalization(const Text& block) {
    const Text normalized = NormalizeHeaderNames(block);
    FUZZ_CHECK(NormalizeHeaderNames(normalized) == normalized);

    TextArray kept;
    for (const Text& line : SplitText(block, "\r\n")) {
        if (FindText(line, ":") != -1) kept.push_back(line);
    }
    const TextArray lines = SplitText(normalized, "\r\n");
    FUZZ_CHECK(JoinText(lines, "\r\n") == normalized);
    FUZZ_CHECK(lines.size() == kept.size());
    for (std::size_t i = 0; i < lines.size() && i < kept.size(); ++i) {
        const Text& line = lines[i];
        const Text& before = kept[i];
        FUZZ_CHECK(line.size() == before.size());
        const std::size_t colon = static_cast<std::size_t>(FindText(before, ":")) - 1;
        FUZZ_CHECK(line.compare(colon, Text::npos, before, colon) == 0);
        // In the name only lower-case letters change, and only to capitals.
        for (std::size_t j = 0; j < colon; ++j) {
            FUZZ_CHECK(line[j] == before[j] || (IsLower(before[j]) && line[j] == before[j] - 'a' + 'A'));
        }
        // Words begin at the line's start and after every dash.
        const Walk walk = WalkFrom(TextLeft(line, static_cast<int>(colon)));
        for (std::size_t k = 0; k < walk.starts.size(); ++k) {
            const bool wordStart = k == 0 || line[walk.starts[k - 1]] == '-';
            if (wordStart) FUZZ_CHECK(!IsLower(line[walk.starts[k]]));
        }
    }
}

void CheckNameAndValue(const Text& line) {
    const Text name = HeaderName(line);
    const Text value = HeaderValue(line);
    // Trimming cuts a lone last byte and keeps the blanks in front of it.
    const bool trimmed = !EndsIncomplete(line);
    FUZZ_CHECK(TrimBoth(name) == name);
    FUZZ_CHECK(TrimBoth(value) == value || !trimmed);
    FUZZ_CHECK(FindText(name, ":") == -1);
    if (FindText(line, ":") == -1) {
        FUZZ_CHECK(name.empty() && value.empty());
    } else if (trimmed) {
        const Text rebuilt = ConcatText(name, ": ", value);
        FUZZ_CHECK(HeaderName(rebuilt) == name && HeaderValue(rebuilt) == value);
    }

    const Text capitalized = CapitalizeFirst(line);
    FUZZ_CHECK(CapitalizeFirst(capitalized) == capitalized);
    FUZZ_CHECK(capitalized.size() == line.size());
    if (!line.empty()) {
        FUZZ_CHECK(capitalized.compare(1, Text::npos, line, 1) == 0);
        FUZZ_CHECK(capitalized[0] == (IsLower(line[0]) ? line[0] - 'a' + 'A' : line[0]));
    }
}

void CheckPairs(const Text& block) {
    const std::vector<HeaderPair> pairs = RequestHeaderPairs(block);
    if (FindText(block, "\r\n") == -1) {
        FUZZ_CHECK(pairs.size() == 1);
        FUZZ_CHECK(pairs[0] == (HeaderPair{HeaderName(block), HeaderValue(block)}));
        return;
    }
    std::size_t filled = 0;
    for (const Text& line : SplitText(block, "\r\n")) filled += line.empty() ? 0 : 1;
    FUZZ_CHECK(pairs.size() <= filled);
    for (const HeaderPair& pair : pairs) {
        FUZZ_CHECK(!(pair.name == "Connection" && pair.value == "keep-alive"));
        FUZZ_CHECK(TrimBoth(pair.name) == pair.name);
        if (&pair != &pairs.back() || !EndsIncomplete(block)) FUZZ_CHECK(TrimBoth(pair.value) == pair.value);
        FUZZ_CHECK(FindText(pair.name, ":") == -1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool isPost = input.ConsumeBool();
    const Text url = TakeText(input, 32);
    const Text block = TakeText(input, 160);

    CheckCompletion(block, url, isPost);
    CheckNormalization(block);
    for (const Text& line : SplitText(block, "\r\n")) CheckNameAndValue(line);
    CheckNameAndValue(block);
    CheckPairs(block);
    return 0;
}
