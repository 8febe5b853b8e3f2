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

bool NamesABusinessSite(const Text& text) {
    return FindText(text, BUSINESS_HOST_SUFFIX) != -1 || FindText(text, BUSINESS_HOST_SUFFIX_CN) != -1;
}

Resolution Derived(const Text& directLink) { return {.directLink = directLink}; }

const Resolution NO_ITEM = {.failure = ResolveFailure::NoItem};

// A moved personal account's link carries no authkey: the share is named by the redeem
// parameter (the original short link, encoded), or else by the link the user gave.
Resolution AnonymousDownloadUrl(const Text& text, const Text& link, ResolverSession& session) {
    const Text redeem = RedeemParameter(text);
    if (IsBase64Url(redeem)) return DriveItemDownloadUrl(ConcatText("u!", redeem), session);
    const Text linkHost = ExtractHost(link);
    if (linkHost != SHORT_LINK_HOST && linkHost != PERSONAL_SHARE_HOST) return NO_ITEM;
    return DriveItemDownloadUrl(ShareIdOfLink(link), session);
}

Resolution DirectLinkFor(const Text& text, const Text& link, ResolverSession& session) {
    const Text target = TargetOf(text);
    const Text targetHost = HasUserPart(target) ? Text() : ExtractHost(target);
    if (FindText(text, PERSONAL_SHARE_HOST) != -1) {
        const Text authkey = TextBetween(text, "&authkey=", "&");
        const Text resid = TextBetween(text, "resid=", "&");
        if (authkey.empty() && (targetHost == PERSONAL_SHARE_HOST || targetHost == PHOTOS_HOST)) {
            return AnonymousDownloadUrl(text, link, session);
        }
        if (authkey.empty() || resid.empty()) return NO_ITEM;
        return Derived(ConcatText("https://", STORAGE_HOST, "/items/", resid, "?authkey=", authkey));
    }
    if (NamesABusinessSite(text)) {
        if (!IsBusinessHost(targetHost)) return NO_ITEM;
        const Text id = TextBetween(text, "id=", "&parent=");
        if (!id.empty()) return Derived(ConcatText("https://", targetHost, BusinessItemPath(id)));
        // Office documents and videos land on pages without the item's path; the share link
        // itself hands out the file when asked to.
        return IsBusinessHost(ExtractHost(link)) ? Derived(WithDownloadParameter(link)) : NO_ITEM;
    }
    if (targetHost == PHOTOS_HOST) return AnonymousDownloadUrl(text, link, session);
    return NO_ITEM;
}

}  // namespace

Resolution ResolveShareLink(const Text& linkBoxText, ResolverSession& session) {
    const Text link = LinkPart(linkBoxText);
    if (HasUserPart(link)) return NO_ITEM;
    const bool onPersonalShareHost = CompareText(ExtractHost(link), PERSONAL_SHARE_HOST) == 0;
    std::int32_t status = 0;
    const Text text = onPersonalShareHost ? link : ExpandShortLink(link, session, &status);
    Resolution resolution = DirectLinkFor(text, link, session);
    // After an expansion, what the text names is the service's answer, or its absence.
    if (!onPersonalShareHost && resolution.failure == ResolveFailure::NoItem) {
        resolution = {.failure = status == 0 ? ResolveFailure::NoAnswer : ResolveFailure::ServiceAnswer,
                      .status = status};
    }
    // A hostile redirect's control bytes would reach whatever the link is pasted into.
    if (LinkPart(resolution.directLink) != resolution.directLink) {
        resolution = {.failure = ResolveFailure::ServiceAnswer, .status = status};
    }
    return resolution;
}

Text DeriveDirectLink(const Text& linkBoxText, ResolverSession& session) {
    return ResolveShareLink(linkBoxText, session).directLink;
}
