#include "http/http_request.h"
#include "resolver/resolver.h"

namespace {

std::shared_ptr<RequestObject> SessionObject(ResolverSession& session) {
    if (!session.requestObject) session.requestObject = CreateRequestObject();
    return session.requestObject;
}

}  // namespace

void AbortPendingRequest(ResolverSession& session) {
    if (session.requestObject) session.requestObject->Invoke("Abort", MemberKind::Method, {});
}

bool IsLocationLine(const Text& line) {
    return CompareText(TextLeft(line, 8), "Location") == 0;
}

Text ExpandShortLink(const Text& link, ResolverSession& session) {
    Text headers =
        "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/46.0.2486.0 Safari/537.36 Edge/13.10586";
    Text responseHeaders;
    HttpRequest(link, {.method = 0,
                       .headers = &headers,
                       .responseHeaders = &responseHeaders,
                       .noRedirects = true,
                       .requestObject = SessionObject(session),
                       .ignoreCertificateErrors = false,
                       .readBody = false});
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (IsLocationLine(line)) return line;
    }
    return Text();
}
