#include <windows.h>
#include <shellapi.h>

#include "app/clipboard.h"
#include "app/home_page.h"
#include "app/main_window.h"
#include "app/resolve_clicked.h"
#include "resolver/resolver.h"

namespace {

// "信息："
constexpr char INFORMATION_TITLE[] = "\xD0\xC5\xCF\xA2\xA3\xBA";

ResolverSession session;

struct MainResolveWindow final : ResolveWindow {
    Text ReadLinkBoxText() override { return ::ReadLinkBoxText(); }
    Text DeriveDirectLink(const Text& link) override { return ::DeriveDirectLink(link, session); }
    bool IsOpen() override { return IsMainWindowOpen(); }
    void RefreshHomePageLabel() override { ::RefreshHomePageLabel(); }
    void SetWindowOuterHeight(int height) override { ::SetWindowOuterHeight(height); }
    bool WriteClipboardText(const Text& text) override { return ::WriteClipboardText(text); }
    void BeepOk() override { MessageBeep(MB_OK); }
    void SetWindowCaption(const Text& caption) override { ::SetWindowCaption(caption); }
    void ShowInformation(const Text& message) override {
        MessageBoxA(nullptr, message.c_str(), INFORMATION_TITLE, MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
    }
};

}  // namespace

void OnResolveClicked() {
    MainResolveWindow window;
    OnResolveClicked(window);
}

void OnLinkBoxFocused() {
    const Text link = LinkPart(ReadClipboardText());
    if (IsShareLink(link)) SetLinkBoxText(link);
}

void RefreshHomePageLabel() { SetHomePageLabelCaption(Utf8ToGbk(Base64Decode(HOME_PAGE_CAPTION_B64))); }

void OnHomePageLabelPressed() {
    const Text address = Utf8ToGbk(Base64Decode(HOME_PAGE_ADDRESS_B64));
    HWND owner = FindWindowExA(nullptr, nullptr, nullptr, "Microsoft Internet Explorer");
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void EndResolverSession() { session = ResolverSession(); }
