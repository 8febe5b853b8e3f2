#include <gtest/gtest.h>

#include "resolver/json_reader.h"

namespace {

struct JsonCase {
    Text json;
    std::optional<Text> token;  // the value of member "token"
};

TEST(JsonReaderTest, FindsTheTopLevelStringMemberOfWellFormedDocumentsOnly) {
    const JsonCase cases[] = {
        {R"({"token":"abc"})", "abc"},
        {" \r\n\t{ \"token\" : \"abc\" , \"x\" : 1 } \n", "abc"},
        {R"({"a":{"token":"inner"},"token":"outer"})", "outer"},
        {R"({"a":{"token":"inner"}})", std::nullopt},
        {R"({"token":"first","token":"second"})", "first"},
        {R"({"token":1})", std::nullopt},
        {R"({"token":null})", std::nullopt},
        {R"({"toke":"x","tokens":"y"})", std::nullopt},
        {R"({})", std::nullopt},
        // Escapes, \u and surrogate pairs, to UTF-8.
        {R"({"token":"a\"b\\c\/d\b\f\n\r\t"})", "a\"b\\c/d\b\f\n\r\t"},
        {R"({"token":"\u0041\u00e9\u4E2D\ud83d\ude00"})", "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {"{\"token\":\"\xE4\xB8\xAD\"}", "\xE4\xB8\xAD"},
        {R"({"token":"\u0000"})", Text(1, '\0')},
        // Values of every kind around it.
        {R"({"n":-0.5e+3,"t":true,"f":false,"z":null,"a":[1,[2,{}],"s"],"token":"v"})", "v"},
        // Not well formed: refused whole, even where the member was already read.
        {R"({"token":"abc"} x)", std::nullopt},
        {R"({"token":"abc"}{})", std::nullopt},
        {R"({"token":"abc",})", std::nullopt},
        {R"({"token":"abc")", std::nullopt},
        {R"({"token":"abc})", std::nullopt},
        {R"({'token':'abc'})", std::nullopt},
        {R"({token:"abc"})", std::nullopt},
        {R"({"token":"a\x"})", std::nullopt},
        {R"({"token":"\u12"})", std::nullopt},
        {R"({"token":"\ud83d"})", std::nullopt},
        {R"({"token":"\ude00\ud83d"})", std::nullopt},
        {R"({"token":"\ud83d\u0041"})", std::nullopt},
        {"{\"token\":\"a\nb\"}", std::nullopt},
        {"{\"token\":\"\xC0\xAF\"}", std::nullopt},      // overlong
        {"{\"token\":\"\xED\xA0\x80\"}", std::nullopt},  // a surrogate in UTF-8
        {"{\"token\":\"\xE4\xB8\"}", std::nullopt},      // cut short
        {"{\"token\":\"\xFF\"}", std::nullopt},
        {R"({"n":01,"token":"v"})", std::nullopt},
        {R"({"n":1.,"token":"v"})", std::nullopt},
        {R"({"n":-,"token":"v"})", std::nullopt},
        {R"({"n":tru,"token":"v"})", std::nullopt},
        {R"(["token","v"])", std::nullopt},
        {R"("token")", std::nullopt},
        {"", std::nullopt},
        {Text("{\"token\":\"v\"}\0", 14), std::nullopt},
    };
    for (const JsonCase& c : cases) EXPECT_EQ(JsonStringMember(c.json, "token"), c.token) << c.json;
}

TEST(JsonReaderTest, NestingIsBounded) {
    const auto nested = [](int depth) {
        return ConcatText("{\"token\":\"v\",\"a\":", Text(depth, '['), Text(depth, ']'), "}");
    };
    EXPECT_EQ(JsonStringMember(nested(63), "token"), "v");
    EXPECT_EQ(JsonStringMember(nested(64), "token"), std::nullopt);
    // A hostile answer nested a million deep neither overflows the stack nor is taken.
    EXPECT_EQ(JsonStringMember(nested(1000000), "token"), std::nullopt);
}

}  // namespace
