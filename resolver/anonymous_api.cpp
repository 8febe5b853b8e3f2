#include <algorithm>

#include "http/http_request.h"
#include "resolver/json_reader.h"
#include "resolver/resolver.h"
#include "resolver/service.h"

namespace {

struct Answer {
    std::int32_t status = 0;
    Text body;
};

// Redirects stay off: a redirect would carry the token to wherever it points.
Answer Ask(ResolverSession& session, const Text& url, int method, Text headers, const Text& body = Text()) {
    Answer answer;
    const Bytes bytes = HttpRequest(url, {.method = method,
                                          .bodyText = body,
                                          .headers = &headers,
                                          .statusCode = &answer.status,
                                          .noRedirects = true,
                                          .requestObject = SessionRequestObject(session),
                                          .ignoreCertificateErrors = false});
    answer.body = BytesToText(bytes);
    return answer;
}

bool IsPrintableAscii(const Text& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

// A fresh token into the session, the empty text when the token service refuses one; the
// service's answer.
Answer FetchToken(ResolverSession& session) {
    const Answer answer = Ask(
        session, TOKEN_URL, 1,
        ConcatText(EDGE_USER_AGENT, "\r\nContent-Type: application/json\r\n", TOKEN_APP_ID_HEADER), TOKEN_REQUEST_BODY);
    const Text token = answer.status == 200 ? JsonStringMember(answer.body, "token").value_or("") : Text();
    session.token = IsPrintableAscii(token) ? token : Text();
    return answer;
}

Resolution Failed(const Answer& answer) {
    return {.failure = answer.status == 0 ? ResolveFailure::NoAnswer : ResolveFailure::ServiceAnswer,
            .status = answer.status};
}

Answer AskForDriveItem(ResolverSession& session, const Text& shareId) {
    return Ask(session, ConcatText(SHARES_URL, shareId, DRIVE_ITEM_PATH), 0,
               ConcatText(EDGE_USER_AGENT, "\r\nAuthorization: Badger ", session.token,
                          "\r\nPrefer: autoredeem\r\nAccept: application/json"));
}

}  // namespace

std::shared_ptr<RequestObject> SessionRequestObject(ResolverSession& session) {
    if (!session.requestObject) session.requestObject = CreateRequestObject();
    return session.requestObject;
}

bool IsBase64Url(const Text& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

Text ShareIdOfLink(const Text& link) {
    Text encoded = Base64Encode(TextToBytes(link));
    encoded.erase(encoded.find_last_not_of('=') + 1);
    std::replace(encoded.begin(), encoded.end(), '+', '-');
    std::replace(encoded.begin(), encoded.end(), '/', '_');
    return ConcatText("u!", encoded);
}

Text RedeemParameter(const Text& text) {
    const std::size_t at = std::min(text.find("?redeem="), text.find("&redeem="));
    if (at == Text::npos) return Text();
    const std::size_t start = at + 8;
    return text.substr(start, text.find('&', start) - start);
}

Resolution DriveItemDownloadUrl(const Text& shareId, ResolverSession& session) {
    if (session.token.empty()) {
        const Answer token = FetchToken(session);
        if (session.token.empty()) return Failed(token);
    }
    Answer answer = AskForDriveItem(session, shareId);
    if (answer.status == 401) {
        // A token lasts about a week; one refused is asked for again, once.
        const Answer token = FetchToken(session);
        if (session.token.empty()) return Failed(token);
        answer = AskForDriveItem(session, shareId);
    }
    if (answer.status != 200) return Failed(answer);
    const std::optional<Text> url = JsonStringMember(answer.body, DOWNLOAD_URL_MEMBER);
    if (url && url->starts_with("https://") && IsPrintableAscii(*url)) return {.directLink = *url};
    // A folder is an item (it has an id) without a download URL.
    if (!url && JsonStringMember(answer.body, "id")) return {.failure = ResolveFailure::Folder, .status = 200};
    return Failed(answer);
}
