#include <gtest/gtest.h>

#include "resolver/resolver.h"

namespace {

struct ShareLinkCase {
    Text clipboard;
    bool isShareLink;
};

class IsShareLinkTest : public testing::TestWithParam<ShareLinkCase> {};

TEST_P(IsShareLinkTest, JudgesByTheHostAlone) {
    EXPECT_EQ(IsShareLink(GetParam().clipboard), GetParam().isShareLink) << GetParam().clipboard;
}

INSTANTIATE_TEST_SUITE_P(ClipboardTexts, IsShareLinkTest,
                         testing::Values(ShareLinkCase{"https://1drv.ms/u/s!AbCd", true},
                                         ShareLinkCase{"HTTPS://ONEDRIVE.LIVE.COM/REDIR?RESID=A", true},
                                         ShareLinkCase{"onedrive.live.com/redir?resid=A", true},
                                         ShareLinkCase{"1drv.ms", true},
                                         ShareLinkCase{"https://onedrive.live.com:443/redir", true},
                                         ShareLinkCase{"https://contoso-my.sharepoint.com/:u:/g/x", true},
                                         ShareLinkCase{"see http://1drv.ms/u/s!AbCd", true},
                                         ShareLinkCase{"https://www.onedrive.live.com/redir", false},
                                         ShareLinkCase{"https://go.1drv.ms/u", false},
                                         ShareLinkCase{"https://example.com/?to=onedrive.live.com/1drv.ms", false},
                                         ShareLinkCase{"https://example.com/my.sharepoint.com", false},
                                         ShareLinkCase{" https://1drv.ms/u/s!AbCd", false},
                                         ShareLinkCase{"", false},
                                         ShareLinkCase{"\xC4\xE3\xBA\xC3", false},
                                         ShareLinkCase{"https://1drv.ms/\x81", true},
                                         ShareLinkCase{"https://1drv.ms\x80\xFF/u", false}));

// A clipboard full of text that merely begins like a link would freeze the
// link box for minutes.
TEST(IsShareLinkTest, LongTextsAreNoLink) {
    const Text link = "https://1drv.ms/u/s!";
    EXPECT_TRUE(IsShareLink(link + Text(LONGEST_SHARE_LINK - TextLength(link), 'a')));
    EXPECT_FALSE(IsShareLink(link + Text(LONGEST_SHARE_LINK - TextLength(link) + 1, 'a')));
    EXPECT_FALSE(IsShareLink(link + Text(64 * 1024 * 1024, 'a')));
}

}  // namespace
