#include <gtest/gtest.h>

#include <optional>

#include "resolver/resolver.h"

namespace {

struct DeriveCase {
    const char* name;
    Text link;
    // What the service's redirect answer gives; no value: no request may be made.
    std::optional<Text> expansion;
    Text directLink;
};

class DeriveDirectLinkTest : public testing::TestWithParam<DeriveCase> {};

TEST_P(DeriveDirectLinkTest, BuildsTheDirectLinkOrNothing) {
    const DeriveCase& c = GetParam();
    std::vector<Text> requested;
    const Text directLink = DeriveDirectLink(c.link, [&](const Text& link) {
        requested.push_back(link);
        return c.expansion.value_or("unexpected request");
    });
    EXPECT_EQ(directLink, c.directLink);
    if (c.expansion) {
        EXPECT_EQ(requested, std::vector<Text>{c.link}) << "exactly one request, with the link as typed";
    } else {
        EXPECT_TRUE(requested.empty());
    }
}

const DeriveCase kCases[] = {
    {"PersonalResidFirst", "https://onedrive.live.com/redir?resid=ABC!101&authkey=!Key9&ithint=file", {},
     "https://storage.live.com/items/ABC!101?authkey=!Key9"},
    {"PersonalAuthkeyFirst", "https://onedrive.live.com/redir?cid=7&authkey=!Key9&resid=ABC!101&v=3", {},
     "https://storage.live.com/items/ABC!101?authkey=!Key9"},
    {"PersonalPercentEscapesKept", "https://onedrive.live.com/redir?resid=ABC%21101&authkey=%21Key%2B9&x=1", {},
     "https://storage.live.com/items/ABC%21101?authkey=%21Key%2B9"},
    {"PersonalAuthkeyLast", "https://onedrive.live.com/redir?resid=ABC!101&authkey=!Key9", {}, ""},
    {"PersonalAuthkeyAsFirstParameter", "https://onedrive.live.com/redir?authkey=!Key9&resid=ABC!101&x=1", {}, ""},
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
    {"BusinessEscapedPathKept", "https://1drv.ms/f/s!AbCd",
     "Location: https://Fabrikam-my.sharepoint.com/personal/bo/_layouts/15/onedrive.aspx"
     "?id=%2Fpersonal%2Fbo%2Fa%20b.zip&parent=%2Fpersonal%2Fbo",
     "https://fabrikam-my.sharepoint.com%2Fpersonal%2Fbo%2Fa%20b.zip"},
    {"BusinessLocationWithoutBlank", "https://1drv.ms/f/s!AbCd",
     "Location:http://t-my.sharepoint.com:8443/x?id=/personal/c/d.txt&parent=/personal/c",
     "https://t-my.sharepoint.com/personal/c/d.txt"},
    {"BusinessEmptyId", "https://1drv.ms/f/s!AbCd",
     "Location: https://t-my.sharepoint.com/x?id=&parent=/personal/c", ""},
    {"BusinessWithoutParent", "https://1drv.ms/f/s!AbCd",
     "Location: https://t-my.sharepoint.com/x?id=/personal/c/d.txt&p=1", ""},
};

INSTANTIATE_TEST_SUITE_P(Links, DeriveDirectLinkTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DeriveCase>& info) { return info.param.name; });

}  // namespace
