// Where the decoder lets pending work run, seen through the native stand-in for the pump.
#include <gtest/gtest.h>

#include "tests/text/text_test_support.h"
#include "text/process_events_probe.h"
#include "text/text.h"

namespace {

int g_pumps = 0;
Bytes g_nested;

void CountPump() { ++g_pumps; }

// A handler that decodes while the outer decode is waiting for it.
void DecodeInsidePump() {
    ++g_pumps;
    SetProcessEventsHook(nullptr);
    g_nested = Base64Decode("YQ==");
    SetProcessEventsHook(DecodeInsidePump);
}

class ProcessEventsHook : public ::testing::Test {
protected:
    void SetUp() override { g_pumps = 0; }
    void TearDown() override { SetProcessEventsHook(nullptr); }
};

TEST_F(ProcessEventsHook, RunsOnceAfterEveryGroupOfTheDecoder) {
    SetProcessEventsHook(CountPump);
    const struct {
        Text text;
        int pumps;
    } cases[] = {
        {"", 0}, {" \r\n\xA1\xA1", 0}, {"YQ==", 1}, {"YWJjYWJj", 2}, {"YWJjZA", 2}, {"YW Jj\r\nYWJj", 2}, {"YWJj=", 2},
    };
    for (const auto& c : cases) {
        g_pumps = 0;
        Base64Decode(c.text);
        EXPECT_EQ(g_pumps, c.pumps) << Hex(c.text);
    }
    g_pumps = 0;
    Base64Encode(Bytes(300, 1));
    EXPECT_EQ(g_pumps, 0);
}

TEST_F(ProcessEventsHook, LeavesTheDecoderUnaffectedByADecodeInBetween) {
    SetProcessEventsHook(DecodeInsidePump);
    EXPECT_EQ(Hex(Base64Decode("YWJjYW=jYWJj")), "61 62 63 61 6F 63 61 62 63");
    EXPECT_EQ(g_pumps, 3);
    EXPECT_EQ(Hex(g_nested), "61");
}

}  // namespace
