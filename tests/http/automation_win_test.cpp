#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>

#include "http/automation_win.h"

namespace {

// The round trip through a VARIANT gives back every value the seam knows.
TEST(Automation, ValuesSurviveTheRoundTrip) {
    ASSERT_EQ(GetACP(), 936u);
    const AutomationValue values[] = {
        std::monostate(),
        Text(""),
        Text("a b"),
        Text("\xB5\xE3\xBB\xF7"),
        std::int32_t{-7},
        std::int32_t{INT32_MAX},
        true,
        false,
        Bytes(),
        Bytes{0, 0x80, 0xFF},
    };
    for (const AutomationValue& value : values) {
        VARIANT variant = ToVariant(value);
        EXPECT_EQ(FromVariant(variant), value) << value.index();
        VariantClear(&variant);
    }
}

TEST(Automation, TextsAreWideStringsOfTheAnsiCodePage) {
    VARIANT variant = ToVariant(Text("\xB5\xE3\xBB\xF7"));  // GBK "点击"
    ASSERT_EQ(variant.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(variant.bstrVal), 2u);
    EXPECT_EQ(std::wcscmp(variant.bstrVal, L"\u70B9\u51FB"), 0);
    VariantClear(&variant);
}

TEST(Automation, BytesAreAOneDimensionalByteArrayFromOne) {
    VARIANT variant = ToVariant(Bytes{7, 8, 9});
    ASSERT_EQ(variant.vt, VT_ARRAY | VT_UI1);
    LONG lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetDim(variant.parray), 1u);
    SafeArrayGetLBound(variant.parray, 1, &lower);
    SafeArrayGetUBound(variant.parray, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 3);
    VariantClear(&variant);
}

TEST(Automation, FlagsAndNumbersKeepTheirAutomationTypes) {
    VARIANT flag = ToVariant(false), number = ToVariant(std::int32_t{6});
    EXPECT_EQ(flag.vt, VT_BOOL);
    EXPECT_EQ(flag.boolVal, VARIANT_FALSE);
    EXPECT_EQ(number.vt, VT_I4);
    EXPECT_EQ(number.lVal, 6);
}

TEST(Automation, ResultsOfOtherTypesAreCutOrDropped) {
    struct Case {
        VARTYPE type;
        double real;
        AutomationValue expected;
    };
    const Case cases[] = {
        {VT_R8, 3.9, std::int32_t{3}},     {VT_R8, -3.9, std::int32_t{-3}}, {VT_R8, 1e12, std::int32_t{INT32_MAX}},
        {VT_R4, 200.5, std::int32_t{200}}, {VT_I2, 302, std::int32_t{302}}, {VT_EMPTY, 0, std::monostate()},
        {VT_NULL, 0, std::monostate()},
    };
    for (const Case& c : cases) {
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = c.type;
        if (c.type == VT_R8) variant.dblVal = c.real;
        if (c.type == VT_R4) variant.fltVal = static_cast<float>(c.real);
        if (c.type == VT_I2) variant.iVal = static_cast<SHORT>(c.real);
        EXPECT_EQ(FromVariant(variant), c.expected) << c.type << " " << c.real;
    }
}

TEST(Automation, TextStopsAtAZeroInTheString) {
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_BSTR;
    variant.bstrVal = SysAllocStringLen(L"ab\0cd", 5);
    EXPECT_EQ(FromVariant(variant), AutomationValue(Text("ab")));
    VariantClear(&variant);
}

}  // namespace
