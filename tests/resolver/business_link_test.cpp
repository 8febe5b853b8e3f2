#include <gtest/gtest.h>

#include "resolver/resolver.h"

namespace {

TEST(BusinessItemPathTest, DecodesWhatAPathHoldsAsItIsAndKeepsEveryOtherEscape) {
    const std::pair<Text, Text> cases[] = {
        {"%2Fpersonal%2Fjohn%5Fcontoso%5Fcom%2FDocuments%2Ffile%2Ezip",
         "/personal/john_contoso_com/Documents/file.zip"},
        {"%2fpersonal%2fa%2D%7E%41%7a%30", "/personal/a-~Az0"},
        // Blanks, "#", "?", "%", "&" and the UTF-8 bytes of names stay as the service wrote them.
        {"%2Fp%2Fa%20b%23c%3Fd%25e%26f.txt", "/p/a%20b%23c%3Fd%25e%26f.txt"},
        {"%2Fp%2F%E4%B8%AD%E6%96%87.docx", "/p/%E4%B8%AD%E6%96%87.docx"},
        {"%2Fp%2F%252F", "/p/%252F"},
        // Broken escapes stay as they are.
        {"%2Fp%2", "/p%2"},
        {"%2Fp%G1", "/p%G1"},
        {"%2F%", "/%"},
        // A plain path is taken as it is.
        {"/personal/x/a%5Fb.zip", "/personal/x/a%5Fb.zip"},
        {"", ""},
    };
    for (const auto& [id, path] : cases) EXPECT_EQ(BusinessItemPath(id), path) << id;
}

TEST(WithDownloadParameterTest, AddsDownloadToTheQuery) {
    const std::pair<Text, Text> cases[] = {
        {"https://c-my.sharepoint.com/:u:/g/personal/a/EaBc?e=xYz1",
         "https://c-my.sharepoint.com/:u:/g/personal/a/EaBc?e=xYz1&download=1"},
        {"https://c-my.sharepoint.com/:u:/g/personal/a/EaBc",
         "https://c-my.sharepoint.com/:u:/g/personal/a/EaBc?download=1"},
        {"https://c-my.sharepoint.com/x?e=1#top", "https://c-my.sharepoint.com/x?e=1&download=1#top"},
        {"https://c-my.sharepoint.com/x?download=1", "https://c-my.sharepoint.com/x?download=1"},
        {"https://c-my.sharepoint.com/x?e=1&download=1", "https://c-my.sharepoint.com/x?e=1&download=1"},
        {"https://c-my.sharepoint.com/x?download=10", "https://c-my.sharepoint.com/x?download=10&download=1"},
    };
    for (const auto& [link, direct] : cases) EXPECT_EQ(WithDownloadParameter(link), direct) << link;
}

}  // namespace
