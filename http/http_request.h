// HTTP client: one synchronous request through the WinHTTP request object,
// with default-header completion, header-name normalisation and cookie handling.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "http/request_object.h"
#include "text/text.h"

// Request header blocks: lines "Name: value" joined by "\r\n".
struct HeaderPair {
    Text name;
    Text value;
    bool operator==(const HeaderPair&) const = default;
};

// Appends the default lines whose search key (name and colon, any case,
// anywhere in the block) is missing; Content-Type only for a POST.
void CompleteRequestHeaders(Text& headers, const Text& url, bool isPost);
// Drops lines without a colon and upper-cases the first letter of every
// dash-separated word of each name.
Text NormalizeHeaderNames(const Text& headers);
Text CapitalizeFirst(const Text& text);
Text HeaderName(const Text& line);
Text HeaderValue(const Text& line);
// The pairs to set on the request, in block order; empty lines and the
// exact pair "Connection: keep-alive" are left out of a multi-line block.
std::vector<HeaderPair> RequestHeaderPairs(const Text& headers);

// Cookie texts: items "name=value" joined by "; ".
Text ExtractResponseCookies(const Text& responseHeaders);
// Received cookies win over sent ones of the same name; "=deleted" items go.
// The merged text is also left in sentCookies.
Text MergeCookies(Text& sentCookies, const Text& receivedCookies);
Text CookieName(const Text& item);
bool HasCookieNamed(const TextArray& items, const Text& name);
// Keeps the first occurrence of every item, in place.
Text RemoveDuplicateItems(const Text& text, const Text& separator);

// The time-out of every wait of a request (resolving, connecting, sending, receiving) unless
// the caller gives one.
inline constexpr int DEFAULT_TIMEOUT_SECONDS = 15;

// Optional parameters of HttpRequest. A null pointer is an in/out or output
// parameter the caller did not give; an empty optional is a parameter whose
// absence means something other than its zero value.
struct HttpRequestOptions {
    int method = 0;  // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT
    Text bodyText{};
    Text* cookies = nullptr;  // given: sent as the Cookie header, cleaned, merged
    Text* responseCookies = nullptr;
    Text* headers = nullptr;  // completed and normalised in place
    Text* responseHeaders = nullptr;
    std::int32_t* statusCode = nullptr;
    bool noRedirects = false;
    Bytes bodyBytes{};  // sent instead of bodyText when not empty
    Text proxy{};
    int timeoutSeconds = 0;  // below 1: DEFAULT_TIMEOUT_SECONDS; -1: the object's own
    Text proxyUser{};
    Text proxyPassword{};
    std::optional<int> proxyAuthMode{};  // 1 (the default) sends Basic credentials
    std::optional<std::shared_ptr<RequestObject>> requestObject{};
    std::optional<bool> mergeCookies{};
    std::optional<bool> completeHeaders{};
    std::optional<bool> normalizeHeaders{};
    // Whether certificate errors of the server are ignored (the default) or end the request.
    std::optional<bool> ignoreCertificateErrors{};
    // Whether the body is read out of the object and returned (the default).
    std::optional<bool> readBody{};
};

// The response body; empty when there is none, the request failed or no
// request object could be made (then nothing the caller gave is touched).
// A URL, cookie text or header line with CR or LF is refused: nothing is sent
// and the result is empty.
Bytes HttpRequest(const Text& url, const HttpRequestOptions& options = {});

// A new request object of the platform that HttpRequest uses, for a caller
// that sends several requests through one (null when none can be made). The
// thread must hold COM initialised for as long as the object lives.
std::shared_ptr<RequestObject> CreateRequestObject();
