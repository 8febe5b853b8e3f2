#include "app/resolve_clicked.h"

namespace {

bool resolving = false;

struct ResolvingScope {
    ResolvingScope() { resolving = true; }
    ResolvingScope(const ResolvingScope&) = delete;
    ResolvingScope& operator=(const ResolvingScope&) = delete;
    ~ResolvingScope() { resolving = false; }
};

}  // namespace

void OnResolveClicked(ResolveWindow& window) {
    if (resolving) return;
    const ResolvingScope scope;
    const Text directLink = window.DeriveDirectLink(window.ReadLinkBoxText());
    // A window closed meanwhile is gone for good: nothing may change for the user after it.
    if (!window.IsOpen()) return;
    if (directLink.empty()) {
        window.ShowInformation(RESOLVE_FAILED_MESSAGE);
        return;
    }
    window.RefreshHomePageLabel();
    if (!window.IsOpen()) return;
    window.SetWindowOuterHeight(RESOLVED_WINDOW_HEIGHT);
    if (!window.WriteClipboardText(directLink)) {
        // Reporting success here would leave the user without the link; a
        // message box's text can be copied with Ctrl+C.
        window.ShowInformation(ConcatText(CLIPBOARD_FAILED_MESSAGE, directLink));
        return;
    }
    window.BeepOk();
    window.SetWindowCaption(RESOLVED_CAPTION);
}
