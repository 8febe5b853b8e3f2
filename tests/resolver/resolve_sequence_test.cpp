#include <gtest/gtest.h>

#include <functional>

#include "resolver/resolver.h"

namespace {

const Text kPersonalLink = "https://onedrive.live.com/redir?resid=R1&authkey=K1&x=1";
const Text kDirectLink = "https://storage.live.com/items/R1?authkey=K1";

// Records, in order, every effect the handler has outside itself.
struct RecordingSeam final : ResolverSeam {
    Text linkBox;
    Text expansion;
    bool clipboardWritable = true;
    std::function<void()> duringRefresh;
    std::vector<Text> effects;

    Text ReadLinkBoxText() override { return linkBox; }
    Text ExpandShortLink(const Text& link) override {
        effects.push_back("expand " + link);
        return expansion;
    }
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

TEST(ResolveSequenceTest, SuccessRunsItsStepsInOrder) {
    RecordingSeam seam;
    seam.linkBox = kPersonalLink;
    OnResolveClicked(seam);
    EXPECT_EQ(seam.effects, (std::vector<Text>{"refresh label", "height 107", "clipboard " + kDirectLink, "beep",
                                               ConcatText("caption ", RESOLVED_CAPTION)}));
}

TEST(ResolveSequenceTest, FailureOnlyShowsTheMessage) {
    RecordingSeam seam;
    seam.linkBox = "https://1drv.ms/u/s!AbCd";
    seam.expansion = "Location: https://example.com/elsewhere";
    OnResolveClicked(seam);
    EXPECT_EQ(seam.effects, (std::vector<Text>{"expand https://1drv.ms/u/s!AbCd",
                                               ConcatText("message ", RESOLVE_FAILED_MESSAGE)}));
}

TEST(ResolveSequenceTest, UnwritableClipboardShowsTheLinkInsteadOfClaimingSuccess) {
    RecordingSeam seam;
    seam.linkBox = kPersonalLink;
    seam.clipboardWritable = false;
    OnResolveClicked(seam);
    EXPECT_EQ(seam.effects, (std::vector<Text>{"refresh label", "height 107", "clipboard " + kDirectLink,
                                               ConcatText("message ", CLIPBOARD_FAILED_MESSAGE, kDirectLink)}));
}

// Decoding the label's caption lets queued clicks run; the outer click's
// link must still be the one left on the clipboard.
TEST(ResolveSequenceTest, ClickHandledInsideTheRefreshDoesNotDisturbTheOuterOne) {
    RecordingSeam seam;
    seam.linkBox = kPersonalLink;
    seam.duringRefresh = [&seam] {
        const Text outerLink = std::exchange(seam.linkBox, "https://onedrive.live.com/redir?resid=R2&authkey=K2&x");
        OnResolveClicked(seam);
        seam.linkBox = outerLink;
    };
    OnResolveClicked(seam);
    ASSERT_GE(seam.effects.size(), 3u);
    EXPECT_EQ(seam.effects[seam.effects.size() - 3], "clipboard " + kDirectLink);
    EXPECT_EQ(seam.effects.back(), ConcatText("caption ", RESOLVED_CAPTION));
}

}  // namespace
