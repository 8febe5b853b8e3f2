#include <map>

#include "bench/baselines.h"
#include "bench/inputs.h"
#include "bench/register.h"
#include "http/http_request.h"

namespace {

// The received and the sent cookies of a merge, half of the items each, and both joined.
struct MergeInput {
    Text received;
    Text sent;
    Text joined;
};

const MergeInput& Merge(std::size_t items) {
    static std::map<std::size_t, MergeInput> cache;
    auto it = cache.find(items);
    if (it == cache.end()) {
        const Text& received = Cookies(items / 2, 2);
        const Text& sent = Cookies(items - items / 2, 1);
        it = cache.emplace(items, MergeInput{received, sent, ConcatText(received, "; ", sent)}).first;
    }
    return it->second;
}

}  // namespace

void RegisterHttpBenchmarks() {
    RegisterPair(
        "MergeCookies", "SplitText", "items", kItemCounts,
        [](std::size_t n, std::size_t c) {
            return [&in = Nth(Merge(n), c)] {
                Text sent = in.sent;
                return MergeCookies(sent, in.received);
            };
        },
        [](std::size_t n, std::size_t c) { return [&in = Nth(Merge(n), c)] { return SplitText(in.joined, "; "); }; });
    RegisterPair(
        "RemoveDuplicateItems", "SplitText", "items", kItemCounts,
        [](std::size_t n, std::size_t c) {
            return [&t = Nth(Cookies(n, 0), c)] { return RemoveDuplicateItems(t, "; "); };
        },
        [](std::size_t n, std::size_t c) { return [&t = Nth(Cookies(n, 0), c)] { return SplitText(t, "; "); }; });

    RegisterPair(
        "ExtractResponseCookies", "string_view::find", "headers", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return ExtractResponseCookies(t); }; },
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return StdSplit(t, "\r\n"); }; });
    RegisterPair(
        "CompleteRequestHeaders", "memcpy", "headers", kByteSizes,
        [](std::size_t n, std::size_t c) {
            return [&t = Nth(Headers(n), c)] {
                Text headers = t;
                CompleteRequestHeaders(headers, "http://127.0.0.1/", true);
                return headers;
            };
        },
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return StdCopy(t); }; });
    RegisterPair(
        "NormalizeHeaderNames", "string_view::find", "headers", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return NormalizeHeaderNames(t); }; },
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return StdSplit(t, "\r\n"); }; });
    RegisterPair(
        "RequestHeaderPairs", "string_view::find", "headers", kByteSizes,
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return RequestHeaderPairs(t); }; },
        [](std::size_t n, std::size_t c) { return [&t = Nth(Headers(n), c)] { return StdSplit(t, "\r\n"); }; });
}
