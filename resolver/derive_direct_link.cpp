#include "resolver/resolver.h"

namespace {

// The link that the text to resolve points to: the text itself or, after the
// expansion, the target of the redirect's whole "Location: <target>" line,
// whose own first word is no host.
Text TargetOf(const Text& text) {
    if (!IsLocationLine(text)) return text;
    const int colon = FindText(text, ":");
    return colon == -1 ? Text() : TrimBoth(TextMiddle(text, colon + 1, TextLength(text)));
}

Text DirectLinkFor(const Text& text) {
    if (FindText(text, PERSONAL_SHARE_HOST) != -1) {
        const Text authkey = TextBetween(text, "&authkey=", "&");
        const Text resid = TextBetween(text, "resid=", "&");
        if (authkey.empty() || resid.empty()) return Text();
        return ConcatText("https://", STORAGE_HOST, "/items/", resid, "?authkey=", authkey);
    }
    if (FindText(text, BUSINESS_HOST_SUFFIX) != -1) {
        const Text id = TextBetween(text, "id=", "&parent=");
        const Text target = TargetOf(text);
        const Text host = ExtractHost(target);
        if (id.empty() || HasUserPart(target) || !IsBusinessHost(host)) return Text();
        return ConcatText("https://", host, id);
    }
    return Text();
}

}  // namespace

Text DeriveDirectLink(const Text& linkBoxText, ResolverSession& session) {
    const Text link = LinkPart(linkBoxText);
    if (HasUserPart(link)) return Text();
    const bool onPersonalShareHost = CompareText(ExtractHost(link), PERSONAL_SHARE_HOST) == 0;
    const Text directLink = DirectLinkFor(onPersonalShareHost ? link : ExpandShortLink(link, session));
    // A hostile redirect's control bytes would reach whatever the link is pasted into.
    return LinkPart(directLink) == directLink ? directLink : Text();
}
