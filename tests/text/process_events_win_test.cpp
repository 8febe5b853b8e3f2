// The real message pump, on the test thread's own queue.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/text/text_test_support.h"
#include "text/text.h"

namespace {

constexpr UINT kFirst = WM_APP + 1;
constexpr UINT kSecond = WM_APP + 2;
constexpr UINT kThird = WM_APP + 3;
constexpr UINT kDecodeInside = WM_APP + 9;  // its handler decodes, pumping in turn

std::vector<UINT> g_seen;
Bytes g_nested;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_APP || message == WM_KEYDOWN || message == WM_CHAR) g_seen.push_back(message);
    if (message == kDecodeInside) g_nested = Base64Decode("YQ==");
    return DefWindowProcA(window, message, wParam, lParam);
}

class MessagePump : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window_ =
            CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        Drain();
        g_seen.clear();
        g_nested.clear();
    }

    void TearDown() override {
        if (window_) DestroyWindow(window_);
        Drain();
        UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
    }

    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        ASSERT_TRUE(PostMessageA(window_, message, wParam, lParam));
    }

    static void PostQuit(WPARAM exitCode) {
        ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, exitCode, 0));
    }

    static bool QueueEmpty() {
        MSG message;
        return !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }

    // Takes the next message off the queue, which must hold a quit message.
    static void ExpectQuitNext(WPARAM exitCode) {
        MSG message{};
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
        EXPECT_EQ(message.wParam, exitCode);
    }

    static void Drain() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    static constexpr const char* kClassName = "CorvanelPumpTest";
    HWND window_ = nullptr;
};

TEST_F(MessagePump, DispatchesEveryPendingMessageInOrder) {
    Post(kFirst);
    Post(kSecond);
    Post(kThird);
    ProcessEvents();
    EXPECT_EQ(g_seen, (std::vector<UINT>{kFirst, kSecond, kThird}));
    EXPECT_TRUE(QueueEmpty());
    ProcessEvents();  // nothing pending: returns at once
    EXPECT_EQ(g_seen.size(), 3u);
}

TEST_F(MessagePump, LeavesAQuitMessageQueuedWithWhatFollowsIt) {
    Post(kFirst);
    PostQuit(7);
    Post(kSecond);
    ProcessEvents();
    EXPECT_EQ(g_seen, (std::vector<UINT>{kFirst}));
    ProcessEvents();
    EXPECT_EQ(g_seen, (std::vector<UINT>{kFirst}));
    ExpectQuitNext(7);
    ProcessEvents();
    EXPECT_EQ(g_seen, (std::vector<UINT>{kFirst, kSecond}));
}

TEST_F(MessagePump, TranslatesKeyMessages) {
    Post(WM_KEYDOWN, 'A', 0x001E0001);  // repeat count 1, scan code of the A key
    ProcessEvents();
    EXPECT_EQ(g_seen, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
}

TEST_F(MessagePump, RunsDuringBase64DecodeAndLeavesTheDecodeUnaffected) {
    Post(kDecodeInside);
    Post(kFirst);
    PostQuit(3);
    Post(kSecond);
    EXPECT_EQ(Hex(Base64Decode("YWJjYW=jYWJj")), "61 62 63 61 6F 63 61 62 63");
    EXPECT_EQ(g_seen, (std::vector<UINT>{kDecodeInside, kFirst}));
    EXPECT_EQ(Hex(g_nested), "61");
    ExpectQuitNext(3);
    Base64Decode("YQ==");
    EXPECT_EQ(g_seen, (std::vector<UINT>{kDecodeInside, kFirst, kSecond}));
}

}  // namespace
