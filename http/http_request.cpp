#include <climits>
#include <cstdint>

#include "http/http_request.h"

namespace {

RequestPlatform* currentPlatform = nullptr;

const char* const kMethodNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kMethodCount = sizeof(kMethodNames) / sizeof(kMethodNames[0]);
constexpr int kPost = 1;

constexpr std::int32_t kProxySettingProxy = 2;
constexpr std::int32_t kOptionSslErrorIgnoreFlags = 4;
constexpr std::int32_t kOptionEnableRedirects = 6;
constexpr std::int32_t kSslErrorIgnoreAll = 0x3300;

// One value for all four WinHTTP time-outs, in milliseconds. Seconds beyond
// what fits are held at the largest time-out instead of wrapping round.
std::int32_t TimeoutMilliseconds(int timeoutSeconds) {
    if (timeoutSeconds < 1) return 15000;
    const std::int64_t ms = std::int64_t{timeoutSeconds} * 1000;
    return ms > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(ms);
}

template <class T>
T ValueOr(const AutomationValue& value, T fallback) {
    const T* held = std::get_if<T>(&value);
    return held ? *held : fallback;
}

}  // namespace

RequestPlatform* UseRequestPlatform(RequestPlatform* platform) {
    RequestPlatform* previous = currentPlatform;
    currentPlatform = platform;
    return previous;
}

Bytes HttpRequest(const Text& url, const HttpRequestOptions& options) {
    const bool mergeCookies = options.mergeCookies.value_or(true);
    const bool completeHeaders = options.completeHeaders.value_or(true);
    const bool normalizeHeaders = options.normalizeHeaders.value_or(true);
    const int proxyAuthMode = options.proxyAuthMode.value_or(1);

    RequestPlatform& com = currentPlatform ? *currentPlatform : SystemRequestPlatform();
    com.Initialize();

    const int method = options.method < 0 || options.method >= kMethodCount ? 0 : options.method;

    std::shared_ptr<RequestObject> object;
    if (options.requestObject) {
        object = *options.requestObject;
    } else {
        object = com.CreateRequestObject();
        if (!object) {
            com.Uninitialize();
            return Bytes();
        }
    }
    // A given reference that holds no object fails every call, like a real one would.
    auto call = [&object](const char* member, MemberKind kind, std::vector<AutomationValue> args = {}) {
        return object ? object->Invoke(member, kind, args) : AutomationValue();
    };

    Text scratchHeaders, scratchResponseHeaders, scratchResponseCookies;
    std::int32_t scratchStatus = 0;
    Text& headers = options.headers ? *options.headers : scratchHeaders;
    Text& responseHeaders = options.responseHeaders ? *options.responseHeaders : scratchResponseHeaders;
    Text& responseCookies = options.responseCookies ? *options.responseCookies : scratchResponseCookies;
    std::int32_t& statusCode = options.statusCode ? *options.statusCode : scratchStatus;

    if (options.timeoutSeconds != -1) {
        const std::int32_t t = TimeoutMilliseconds(options.timeoutSeconds);
        call("SetTimeouts", MemberKind::Method, {t, t, t, t});
    }
    if (!options.proxy.empty()) {
        call("SetProxy", MemberKind::Method, {kProxySettingProxy, options.proxy});
    }
    call("Open", MemberKind::Method, {Text(kMethodNames[method]), url, false});
    if (options.noRedirects) {
        call("Option", MemberKind::PropertyPut, {kOptionEnableRedirects, std::int32_t{0}});
    }
    call("Option", MemberKind::PropertyPut, {kOptionSslErrorIgnoreFlags, kSslErrorIgnoreAll});

    if (completeHeaders) CompleteRequestHeaders(headers, url, method == kPost);
    if (normalizeHeaders) headers = NormalizeHeaderNames(headers);

    if (!options.proxy.empty() && !options.proxyUser.empty() && proxyAuthMode == 1) {
        const Text credentials = ConcatText(options.proxyUser, ":", options.proxyPassword);
        call("SetRequestHeader", MemberKind::Method,
             {Text("Proxy-Authorization"), ConcatText("Basic ", Base64Encode(TextToBytes(credentials)))});
    }
    if (options.cookies) {
        Text& cookies = *options.cookies;
        if (!cookies.empty() && FindText(cookies, "Cookie:", 1, true) != -1) {
            cookies = ReplaceText(cookies, "Cookie:", Text(), 1, kEveryOccurrence, false);
        }
        call("SetRequestHeader", MemberKind::Method, {Text("Cookie"), cookies});
    }
    for (HeaderPair& pair : RequestHeaderPairs(headers)) {
        call("SetRequestHeader", MemberKind::Method, {std::move(pair.name), std::move(pair.value)});
    }

    if (!options.bodyBytes.empty()) {
        call("Send", MemberKind::Method, {options.bodyBytes});
    } else {
        call("Send", MemberKind::Method, {options.bodyText});
    }
    const Bytes body = ValueOr(call("ResponseBody", MemberKind::PropertyGet), Bytes());
    responseHeaders = ValueOr(call("GetAllResponseHeaders", MemberKind::Method), Text());
    statusCode = ValueOr(call("Status", MemberKind::PropertyGet), std::int32_t{0});

    responseCookies = ExtractResponseCookies(responseHeaders);
    if (mergeCookies && options.cookies) responseCookies = MergeCookies(*options.cookies, responseCookies);

    object.reset();
    com.Uninitialize();
    return body;
}
