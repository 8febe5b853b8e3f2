#include <climits>
#include <cstdint>

#include "http/http_request.h"

namespace {

RequestPlatform* currentPlatform = nullptr;

const char* const METHOD_NAMES[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int METHOD_COUNT = sizeof(METHOD_NAMES) / sizeof(METHOD_NAMES[0]);
constexpr int POST = 1;

constexpr std::int32_t PROXY_SETTING_PROXY = 2;
constexpr std::int32_t OPTION_SSL_ERROR_IGNORE_FLAGS = 4;
constexpr std::int32_t OPTION_ENABLE_REDIRECTS = 6;
constexpr std::int32_t SSL_ERROR_IGNORE_ALL = 0x3300;

// One value for all four WinHTTP time-outs, in milliseconds. Seconds beyond
// what fits are held at the largest time-out instead of wrapping round.
std::int32_t TimeoutMilliseconds(int timeoutSeconds) {
    if (timeoutSeconds < 1) return DEFAULT_TIMEOUT_SECONDS * 1000;
    const std::int64_t ms = std::int64_t{timeoutSeconds} * 1000;
    return ms > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(ms);
}

bool HasLineBreak(const Text& text) { return text.find_first_of("\r\n") != Text::npos; }

// CoInitialize for the length of one request, CoUninitialize on every way out.
struct ComScope {
    explicit ComScope(RequestPlatform& platform) : platform(platform) { platform.Initialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { platform.Uninitialize(); }
    RequestPlatform& platform;
};

template <class T>
T ValueOr(const AutomationValue& value, T fallback) {
    const T* held = std::get_if<T>(&value);
    return held ? *held : fallback;
}

RequestPlatform& CurrentPlatform() { return currentPlatform ? *currentPlatform : SystemRequestPlatform(); }

}  // namespace

std::shared_ptr<RequestObject> CreateRequestObject() { return CurrentPlatform().CreateRequestObject(); }

RequestPlatform* UseRequestPlatform(RequestPlatform* platform) {
    RequestPlatform* previous = currentPlatform;
    currentPlatform = platform;
    return previous;
}

Bytes HttpRequest(const Text& url, const HttpRequestOptions& options) {
    // A line break in the URL or in a header would let the text add header lines of its own.
    if (HasLineBreak(url)) return Bytes();
    const bool mergeCookies = options.mergeCookies.value_or(true);
    const bool completeHeaders = options.completeHeaders.value_or(true);
    const bool normalizeHeaders = options.normalizeHeaders.value_or(true);
    const int proxyAuthMode = options.proxyAuthMode.value_or(1);

    const ComScope com(CurrentPlatform());
    const int method = options.method < 0 || options.method >= METHOD_COUNT ? 0 : options.method;

    // Released before COM is, since it is declared after the scope.
    std::shared_ptr<RequestObject> object;
    if (options.requestObject) {
        object = *options.requestObject;
    } else {
        object = com.platform.CreateRequestObject();
        if (!object) return Bytes();
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

    if (completeHeaders) CompleteRequestHeaders(headers, url, method == POST);
    if (normalizeHeaders) headers = NormalizeHeaderNames(headers);
    std::vector<HeaderPair> pairs = RequestHeaderPairs(headers);
    if (options.cookies) {
        Text& cookies = *options.cookies;
        if (!cookies.empty() && FindText(cookies, "Cookie:", 1, true) != -1) {
            cookies = ReplaceText(cookies, "Cookie:", Text(), 1, EVERY_OCCURRENCE, false);
        }
        if (HasLineBreak(cookies)) return Bytes();
    }
    for (const HeaderPair& pair : pairs) {
        if (HasLineBreak(pair.name) || HasLineBreak(pair.value)) return Bytes();
    }

    if (options.timeoutSeconds != -1) {
        const std::int32_t t = TimeoutMilliseconds(options.timeoutSeconds);
        call("SetTimeouts", MemberKind::Method, {t, t, t, t});
    }
    if (!options.proxy.empty()) {
        call("SetProxy", MemberKind::Method, {PROXY_SETTING_PROXY, options.proxy});
    }
    call("Open", MemberKind::Method, {Text(METHOD_NAMES[method]), url, false});
    if (options.noRedirects) {
        call("Option", MemberKind::PropertyPut, {OPTION_ENABLE_REDIRECTS, std::int32_t{0}});
    }
    if (options.ignoreCertificateErrors.value_or(true)) {
        call("Option", MemberKind::PropertyPut, {OPTION_SSL_ERROR_IGNORE_FLAGS, SSL_ERROR_IGNORE_ALL});
    }

    if (!options.proxy.empty() && !options.proxyUser.empty() && proxyAuthMode == 1) {
        const Text credentials = ConcatText(options.proxyUser, ":", options.proxyPassword);
        call("SetRequestHeader", MemberKind::Method,
             {Text("Proxy-Authorization"), ConcatText("Basic ", Base64Encode(TextToBytes(credentials)))});
    }
    if (options.cookies) call("SetRequestHeader", MemberKind::Method, {Text("Cookie"), *options.cookies});
    for (HeaderPair& pair : pairs) {
        call("SetRequestHeader", MemberKind::Method, {std::move(pair.name), std::move(pair.value)});
    }

    if (!options.bodyBytes.empty()) {
        call("Send", MemberKind::Method, {options.bodyBytes});
    } else {
        call("Send", MemberKind::Method, {options.bodyText});
    }
    // The object holds the body already; a caller who does not want it need not pay for copies.
    Bytes body;
    if (options.readBody.value_or(true)) body = ValueOr(call("ResponseBody", MemberKind::PropertyGet), Bytes());
    responseHeaders = ValueOr(call("GetAllResponseHeaders", MemberKind::Method), Text());
    statusCode = ValueOr(call("Status", MemberKind::PropertyGet), std::int32_t{0});

    responseCookies = ExtractResponseCookies(responseHeaders);
    if (mergeCookies && options.cookies) responseCookies = MergeCookies(*options.cookies, responseCookies);
    return body;
}
