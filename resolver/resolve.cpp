#include "resolver/resolver.h"

namespace {

// The host of the business site that the text to resolve points to. The text
// is the link itself or, after the expansion, the redirect's whole
// "Location: <target>" header line, whose own first word is no host.
Text BusinessSiteHost(const Text& text) {
    Text target = text;
    if (CompareText(TextLeft(text, 8), "Location") == 0) {
        const int colon = FindText(text, ":");
        target = colon == -1 ? Text() : TrimBoth(TextMiddle(text, colon + 1, TextLength(text)));
    }
    return ExtractHost(target);
}

}  // namespace

bool IsShareLink(const Text& text) {
    if (TextLength(text) > LONGEST_SHARE_LINK) return false;
    const Text host = ExtractHost(text);
    return CompareText(host, PERSONAL_SHARE_HOST) == 0 || CompareText(host, SHORT_LINK_HOST) == 0 ||
           FindText(host, BUSINESS_HOST_SUFFIX) != -1;
}

Text DeriveDirectLink(const Text& link, const std::function<Text(const Text&)>& expand) {
    const bool onPersonalShareHost = CompareText(ExtractHost(link), PERSONAL_SHARE_HOST) == 0;
    const Text text = onPersonalShareHost ? link : expand(link);

    if (FindText(text, PERSONAL_SHARE_HOST) != -1) {
        const Text authkey = TextBetween(text, "&authkey=", "&");
        const Text resid = TextBetween(text, "resid=", "&");
        if (authkey.empty() || resid.empty()) return Text();
        return ConcatText("https://", STORAGE_HOST, "/items/", resid, "?authkey=", authkey);
    }
    if (FindText(text, BUSINESS_HOST_SUFFIX) != -1) {
        const Text id = TextBetween(text, "id=", "&parent=");
        const Text host = BusinessSiteHost(text);
        if (id.empty() || host.empty()) return Text();
        return ConcatText("https://", host, id);
    }
    return Text();
}

void OnResolveClicked(ResolverSeam& seam) {
    const Text directLink = DeriveDirectLink(
        seam.ReadLinkBoxText(), [&seam](const Text& link) { return seam.ExpandShortLink(link); });
    if (directLink.empty()) {
        seam.ShowInformation(RESOLVE_FAILED_MESSAGE);
        return;
    }
    seam.RefreshHomePageLabel();
    seam.SetWindowOuterHeight(RESOLVED_WINDOW_HEIGHT);
    if (!seam.WriteClipboardText(directLink)) {
        // Reporting success here would leave the user without the link; a
        // message box's text can be copied with Ctrl+C.
        seam.ShowInformation(ConcatText(CLIPBOARD_FAILED_MESSAGE, directLink));
        return;
    }
    seam.BeepOk();
    seam.SetWindowCaption(RESOLVED_CAPTION);
}
