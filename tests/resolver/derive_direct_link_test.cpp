#include <gtest/gtest.h>

#include <optional>

#include "resolver/resolver.h"
#include "tests/resolver/scripted_object.h"

namespace {

struct DeriveCase {
    const char* name;
    Text link;
    // The header block of the service's redirect answer; no value: no request may be made.
    std::optional<Text> expansion;
    Text directLink;
};

class DeriveDirectLinkTest : public testing::TestWithParam<DeriveCase> {};

TEST_P(DeriveDirectLinkTest, BuildsTheDirectLinkOrNothing) {
    const DeriveCase& c = GetParam();
    auto service = std::make_shared<ScriptedObject>();
    if (c.expansion) service->answers.push_back({302, *c.expansion, ""});
    ResolverSession session{service, {}};
    EXPECT_EQ(DeriveDirectLink(c.link, session), c.directLink);
    if (c.expansion) {
        ASSERT_EQ(service->sent.size(), 1u) << "exactly one request";
        EXPECT_EQ(service->sent[0].url, LinkPart(c.link)) << "the link as typed, up to a control character";
    } else {
        EXPECT_TRUE(service->sent.empty());
    }
}

const DeriveCase kCases[] = {
    {"PersonalResidFirst",
     "https://onedrive.live.com/redir?resid=ABC!101&authkey=!Key9&ithint=file",
     {},
     "https://storage.live.com/items/ABC!101?authkey=!Key9"},
    {"PersonalAuthkeyFirst",
     "https://onedrive.live.com/redir?cid=7&authkey=!Key9&resid=ABC!101&v=3",
     {},
     "https://storage.live.com/items/ABC!101?authkey=!Key9"},
    {"PersonalPercentEscapesKept",
     "https://onedrive.live.com/redir?resid=ABC%21101&authkey=%21Key%2B9&x=1",
     {},
     "https://storage.live.com/items/ABC%21101?authkey=%21Key%2B9"},
    {"PersonalResidMissing", "https://onedrive.live.com/redir?id=ABC!101&authkey=!Key9&x=1", {}, ""},
    {"PersonalHostInCapitals", "https://ONEDRIVE.LIVE.COM/redir?resid=ABC!101&authkey=!Key9&x=1", {}, ""},
    {"BlankInFrontIsExpanded", " https://onedrive.live.com/redir?resid=ABC!101&authkey=!Key9&x=1", Text(), ""},
    {"EmptyLinkIsExpanded", "", Text(), ""},
    {"ShortLinkToPersonal", "https://1drv.ms/u/s!AbCd",
     "Location: https://onedrive.live.com/redir?resid=ABC%21101&authkey=%21Key9&ithint=file",
     "https://storage.live.com/items/ABC%21101?authkey=%21Key9"},
    {"ShortLinkExpandingToNeitherHost", "https://1drv.ms/u/s!AbCd",
     "Location: https://example.com/redir?resid=ABC&authkey=K&x=1", ""},
    {"BothHostsTakePersonal", "https://1drv.ms/u/s!AbCd",
     "Location: https://onedrive.live.com/redir?resid=R1&authkey=K1&from=x-my.sharepoint.com",
     "https://storage.live.com/items/R1?authkey=K1"},
    {"BusinessPlainPathOnTheRedirectHost", "https://contoso-my.sharepoint.com/:u:/g/personal/ann/EaBc",
     "Location: https://contoso-my.sharepoint.com/personal/ann/_layouts/15/onedrive.aspx"
     "?id=/personal/ann/Documents/a.zip&parent=/personal/ann/Documents",
     "https://contoso-my.sharepoint.com/personal/ann/Documents/a.zip"},
    // The landing page escapes every byte of the path, even "_" and ".": "https://host%2F..." would
    // be no URL at all.
    {"BusinessEscapedPathDecoded", "https://1drv.ms/f/s!AbCd",
     "Location: https://Fabrikam-my.sharepoint.com/personal/bo/_layouts/15/onedrive.aspx"
     "?id=%2Fpersonal%2Fbo%5Ffabrikam%5Fcom%2FDocuments%2Fa%20b%2Ezip&parent=%2Fpersonal%2Fbo",
     "https://fabrikam-my.sharepoint.com/personal/bo_fabrikam_com/Documents/a%20b.zip"},
    {"BusinessOn21Vianet", "https://contoso-my.sharepoint.cn/:u:/g/personal/li_partner_onmschina_cn/EVcR?e=1",
     "Location: https://contoso-my.sharepoint.cn/personal/li_partner_onmschina_cn/_layouts/15/onedrive.aspx"
     "?id=%2Fpersonal%2Fli%5Fpartner%5Fonmschina%5Fcn%2FDocuments%2Fa%2Ezip&parent=%2Fpersonal%2Fli",
     "https://contoso-my.sharepoint.cn/personal/li_partner_onmschina_cn/Documents/a.zip"},
    // Office documents and videos land on a page without the item's path.
    {"BusinessDocumentWithoutPath", "https://contoso-my.sharepoint.com/:w:/g/personal/ann/ERGZ?e=xYz1",
     "Location: https://contoso-my.sharepoint.com/personal/ann/_layouts/15/Doc.aspx?sourcedoc={1-2}&file=a.docx",
     "https://contoso-my.sharepoint.com/:w:/g/personal/ann/ERGZ?e=xYz1&download=1"},
    {"BusinessVideoWithoutPathOn21Vianet", "https://c-my.sharepoint.cn/:v:/g/personal/li/EQ1",
     "Location: https://c-my.sharepoint.cn/personal/li/_layouts/15/stream.aspx?id=%2Fpersonal%2Fli%2Fv.mp4",
     "https://c-my.sharepoint.cn/:v:/g/personal/li/EQ1?download=1"},
    {"BusinessWithoutPathFromAShortLink", "https://1drv.ms/w/s!AbCd",
     "Location: https://contoso-my.sharepoint.com/personal/ann/_layouts/15/Doc.aspx?sourcedoc={1-2}", ""},
    {"BusinessLocationWithoutBlank", "https://1drv.ms/f/s!AbCd",
     "Location:http://t-my.sharepoint.com:8443/x?id=/personal/c/d.txt&parent=/personal/c",
     "https://t-my.sharepoint.com/personal/c/d.txt"},
    {"BusinessEmptyId", "https://1drv.ms/f/s!AbCd", "Location: https://t-my.sharepoint.com/x?id=&parent=/personal/c",
     ""},
    {"BusinessWithoutParent", "https://1drv.ms/f/s!AbCd",
     "Location: https://t-my.sharepoint.com/x?id=/personal/c/d.txt&p=1", ""},
    {"BusinessLookAlikeHost", "https://1drv.ms/f/s!AbCd",
     "Location: https://t-my.sharepoint.com.evil.example/x?id=/personal/c/d.txt&parent=/personal/c", ""},
    {"BusinessSuffixGluedToAName", "https://1drv.ms/f/s!AbCd",
     "Location: https://evilmy.sharepoint.com/x?id=/personal/c/d.txt&parent=/personal/c", ""},
    {"BusinessTargetWithUserPart", "https://1drv.ms/f/s!AbCd",
     "Location: https://t-my.sharepoint.com@evil.example/x?id=/personal/c/d.txt&parent=/personal/c", ""},
    // The host test sees the personal share host, the request object would reach 127.0.0.1.
    {"UserPartOnPersonalHost", "http://onedrive.live.com:x@127.0.0.1:8/redir?resid=U%211&authkey=!U&", {}, ""},
    {"UserPartOnShortLinkHost", "http://1drv.ms:x@127.0.0.1:8/u/s!AbCd", {}, ""},
    // What follows a line break would otherwise become request headers.
    {"ChatMessageCutAtTheLineBreak", "https://1drv.ms/u/s!AbCd\r\n\xCC\xE1\xC8\xA1\xC2\xEB: 1234\r\nPassword: hunter2",
     "Location: https://onedrive.live.com/redir?resid=R1&authkey=K1&x", "https://storage.live.com/items/R1?authkey=K1"},
    {"PersonalLinkCutAtATab",
     "https://onedrive.live.com/redir?resid=R1&authkey=K1&x\tresid=R2&",
     {},
     "https://storage.live.com/items/R1?authkey=K1"},
    {"LocationWithEscape", "https://1drv.ms/u/s!AbCd",
     "Location: https://onedrive.live.com/redir?resid=R1\x1B[2J&authkey=K1&", ""},
    {"LocationWithDelete", "https://1drv.ms/u/s!AbCd",
     "Location: https://onedrive.live.com/redir?resid=R1&authkey=K1\x7F&", ""},
    {"LocationWithBackspace", "https://1drv.ms/u/s!AbCd",
     "Location: https://t-my.sharepoint.com/x?id=/personal/c/d\b.txt&parent=/personal/c", ""},
};

INSTANTIATE_TEST_SUITE_P(Links, DeriveDirectLinkTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DeriveCase>& info) { return info.param.name; });

}  // namespace
