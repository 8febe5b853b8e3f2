#include <gtest/gtest.h>

#include <functional>

#include "app/resolve_clicked.h"

namespace {

const Text kLink = "https://1drv.ms/u/s!AbCd";
const Text kDirectLink = "https://storage.live.com/items/R1?authkey=K1";

// Records, in order, every effect the handler has outside itself.
struct RecordingWindow final : ResolveWindow {
    Text linkBox = kLink;
    Text directLink = kDirectLink;
    bool clipboardWritable = true;
    bool open = true;
    std::function<void()> duringResolution;  // what messages run inside the request do
    std::function<void()> duringRefresh;     // what messages run inside the label's decode do
    std::vector<Text> effects;

    Text ReadLinkBoxText() override { return linkBox; }
    Text DeriveDirectLink(const Text& link) override {
        effects.push_back("resolve " + link);
        if (duringResolution) std::exchange(duringResolution, nullptr)();
        return directLink;
    }
    bool IsOpen() override { return open; }
    void RefreshHomePageLabel() override {
        effects.push_back("refresh label");
        if (duringRefresh) std::exchange(duringRefresh, nullptr)();
    }
    void SetWindowOuterHeight(int height) override { effects.push_back("height " + std::to_string(height)); }
    bool WriteClipboardText(const Text& text) override {
        effects.push_back("clipboard " + text);
        return clipboardWritable;
    }
    void BeepOk() override { effects.push_back("beep"); }
    void SetWindowCaption(const Text& caption) override { effects.push_back("caption " + caption); }
    void ShowInformation(const Text& message) override { effects.push_back("message " + message); }
};

TEST(ResolveClickedTest, SuccessRunsItsStepsInOrder) {
    RecordingWindow window;
    OnResolveClicked(window);
    EXPECT_EQ(window.effects,
              (std::vector<Text>{"resolve " + kLink, "refresh label", "height 107", "clipboard " + kDirectLink, "beep",
                                 ConcatText("caption ", RESOLVED_CAPTION)}));
}

TEST(ResolveClickedTest, FailureOnlyShowsTheMessage) {
    RecordingWindow window;
    window.directLink = "";
    OnResolveClicked(window);
    EXPECT_EQ(window.effects, (std::vector<Text>{"resolve " + kLink, ConcatText("message ", RESOLVE_FAILED_MESSAGE)}));
}

TEST(ResolveClickedTest, UnwritableClipboardShowsTheLinkInsteadOfClaimingSuccess) {
    RecordingWindow window;
    window.clipboardWritable = false;
    OnResolveClicked(window);
    EXPECT_EQ(window.effects,
              (std::vector<Text>{"resolve " + kLink, "refresh label", "height 107", "clipboard " + kDirectLink,
                                 ConcatText("message ", CLIPBOARD_FAILED_MESSAGE, kDirectLink)}));
}

// A request and the label's decode both let queued clicks run: each does nothing, and the
// resolution under way ends as if they had not come.
TEST(ResolveClickedTest, ClickDuringAResolutionDoesNothing) {
    for (const bool inRefresh : {false, true}) {
        RecordingWindow window;
        std::function<void()>& during = inRefresh ? window.duringRefresh : window.duringResolution;
        during = [&window] {
            window.linkBox = "https://1drv.ms/other";
            OnResolveClicked(window);
            OnResolveClicked(window);
        };
        OnResolveClicked(window);
        EXPECT_EQ(window.effects,
                  (std::vector<Text>{"resolve " + kLink, "refresh label", "height 107", "clipboard " + kDirectLink,
                                     "beep", ConcatText("caption ", RESOLVED_CAPTION)}))
            << inRefresh;
        // Once it has ended, a click resolves again.
        window.effects.clear();
        OnResolveClicked(window);
        EXPECT_EQ(window.effects.front(), "resolve https://1drv.ms/other");
    }
}

// Closing the window during the request or the label's decode: nothing changes afterwards, no
// clipboard, no beep, no message box.
TEST(ResolveClickedTest, WindowClosedDuringTheResolutionChangesNothing) {
    for (const bool failing : {false, true}) {
        RecordingWindow window;
        if (failing) window.directLink = "";
        window.duringResolution = [&window] { window.open = false; };
        OnResolveClicked(window);
        EXPECT_EQ(window.effects, std::vector<Text>{"resolve " + kLink}) << failing;
    }
    RecordingWindow window;
    window.duringRefresh = [&window] { window.open = false; };
    OnResolveClicked(window);
    EXPECT_EQ(window.effects, (std::vector<Text>{"resolve " + kLink, "refresh label"}));
}

}  // namespace
