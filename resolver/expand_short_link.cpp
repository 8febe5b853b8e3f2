#include "http/http_request.h"
#include "resolver/resolver.h"
#include "resolver/service.h"

bool IsLocationLine(const Text& line) { return CompareText(TextLeft(line, 8), "Location") == 0; }

Text ExpandShortLink(const Text& link, ResolverSession& session, std::int32_t* status) {
    Text headers = EDGE_USER_AGENT;
    Text responseHeaders;
    HttpRequest(link, {.method = 0,
                       .headers = &headers,
                       .responseHeaders = &responseHeaders,
                       .statusCode = status,
                       .noRedirects = true,
                       .requestObject = SessionRequestObject(session),
                       .ignoreCertificateErrors = false,
                       .readBody = false});
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (IsLocationLine(line)) return line;
    }
    return Text();
}
