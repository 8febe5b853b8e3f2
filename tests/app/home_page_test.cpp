#include <gtest/gtest.h>

#include "app/home_page.h"
#include "text/text.h"

namespace {

TEST(HomePageTest, StoredCaptionDecodesToTheLabelsInitialCaption) {
    EXPECT_EQ(Utf8ToGbk(Base64Decode(HOME_PAGE_CAPTION_B64)), HOME_PAGE_LABEL_CAPTION);
}

TEST(HomePageTest, StoredAddressDecodesToTheAddressTheCaptionEndsWith) {
    const Text address = Utf8ToGbk(Base64Decode(HOME_PAGE_ADDRESS_B64));
    EXPECT_EQ(address, "http://www.telmaru.example/");
    EXPECT_EQ(TextRight(HOME_PAGE_LABEL_CAPTION, TextLength(address)), address);
}

TEST(HomePageTest, StoredTextsAreCanonicalPaddedBase64) {
    for (const Text& stored : {Text(HOME_PAGE_CAPTION_B64), Text(HOME_PAGE_ADDRESS_B64)}) {
        EXPECT_EQ(Base64Encode(Base64Decode(stored)), stored);
    }
}

}  // namespace
