#include "http/http_request.h"
#include "resolver/resolver.h"

Text ExpandShortLink(const Text& link) {
    Text headers =
        "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/46.0.2486.0 Safari/537.36 Edge/13.10586";
    Text responseHeaders;
    HttpRequest(link, {.method = 0, .headers = &headers, .responseHeaders = &responseHeaders, .noRedirects = true});
    for (const Text& line : SplitText(responseHeaders, "\r\n")) {
        if (CompareText(TextLeft(line, 8), "Location") == 0) return line;
    }
    return Text();
}
