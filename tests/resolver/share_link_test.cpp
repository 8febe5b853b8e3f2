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

INSTANTIATE_TEST_SUITE_P(
    ClipboardTexts, IsShareLinkTest,
    testing::Values(
        ShareLinkCase{"https://1drv.ms/u/s!AbCd", true}, ShareLinkCase{"HTTPS://ONEDRIVE.LIVE.COM/REDIR?RESID=A", true},
        ShareLinkCase{"onedrive.live.com/redir?resid=A", true}, ShareLinkCase{"1drv.ms", true},
        ShareLinkCase{"https://onedrive.live.com:443/redir", true},
        ShareLinkCase{"https://contoso-my.sharepoint.com/:u:/g/x", true},
        ShareLinkCase{"see http://1drv.ms/u/s!AbCd", true}, ShareLinkCase{"https://www.onedrive.live.com/redir", false},
        ShareLinkCase{"https://go.1drv.ms/u", false},
        ShareLinkCase{"https://example.com/?to=onedrive.live.com/1drv.ms", false},
        ShareLinkCase{"https://example.com/my.sharepoint.com", false},
        ShareLinkCase{" https://1drv.ms/u/s!AbCd", false}, ShareLinkCase{"", false},
        ShareLinkCase{"\xC4\xE3\xBA\xC3", false}, ShareLinkCase{"https://1drv.ms/\x81", true},
        ShareLinkCase{"https://1drv.ms\x80\xFF/u", false}, ShareLinkCase{"https://contoso.my.sharepoint.com/x", true},
        ShareLinkCase{"https://x.my.sharepoint.com.evil.example/", false},
        ShareLinkCase{"https://evilmy.sharepoint.com/x", false}, ShareLinkCase{"https://my.sharepoint.com/x", false},
        ShareLinkCase{"http://1drv.ms:x@127.0.0.1:8/u/s!AbCd", false},
        ShareLinkCase{"https://a@onedrive.live.com/redir", false}, ShareLinkCase{"https://1drv.ms/u/s!Ab@Cd", true},
        ShareLinkCase{"https://contoso-my.sharepoint.cn/:u:/g/personal/x", true},
        ShareLinkCase{"https://x.my.sharepoint.cn.evil.example/", false}));

TEST(LinkPartTest, EndsAtTheFirstControlCharacter) {
    const std::pair<Text, Text> cases[] = {
        {"https://1drv.ms/u/s!AbCd\r\n\xCC\xE1\xC8\xA1\xC2\xEB: 1234", "https://1drv.ms/u/s!AbCd"},
        {"a\nb", "a"},
        {"a\tb", "a"},
        {"a\x1B[2Jb", "a"},
        {"a\x7F", "a"},
        {"\x01", ""},
        {"", ""},
        {"a b\xA1\xA1"
         "c",
         "a b\xA1\xA1"
         "c"},
        // GBK second bytes start at 0x40: none is a control character.
        {"\x81\x40\xFE\xFE~", "\x81\x40\xFE\xFE~"},
    };
    for (const auto& [text, part] : cases) EXPECT_EQ(LinkPart(text), part) << text;
}

TEST(HasUserPartTest, LooksForAnAtSignBeforeTheFirstSlashAfterTheScheme) {
    const std::pair<Text, bool> cases[] = {
        {"http://1drv.ms:x@127.0.0.1/u", true},
        {"https://u@h/", true},
        {"u:p@h/x", true},
        {"https://h", false},
        {"https://h/a@b", false},
        {"https://h?a@b", true},
        {"", false},
        {"@", true},
    };
    for (const auto& [link, userPart] : cases) EXPECT_EQ(HasUserPart(link), userPart) << link;
}

// A clipboard full of text that merely begins like a link would freeze the
// link box for minutes.
TEST(IsShareLinkTest, LongTextsAreNoLink) {
    const Text link = "https://1drv.ms/u/s!";
    EXPECT_TRUE(IsShareLink(link + Text(LONGEST_SHARE_LINK - TextLength(link), 'a')));
    EXPECT_FALSE(IsShareLink(link + Text(LONGEST_SHARE_LINK - TextLength(link) + 1, 'a')));
    EXPECT_FALSE(IsShareLink(link + Text(64 * 1024 * 1024, 'a')));
}

}  // namespace
