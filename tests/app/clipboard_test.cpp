#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <future>
#include <thread>

#include "app/clipboard.h"

namespace {

// Puts raw bytes on the clipboard as CF_TEXT, exactly as many as given.
void PlaceTextBlock(const Bytes& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    ASSERT_NE(block, nullptr);
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    ASSERT_NE(SetClipboardData(CF_TEXT, block), nullptr);
    CloseClipboard();
}

void EmptyTheClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

// Another thread holds the clipboard open, for a window of its own, until the
// holder is destroyed.
class ClipboardHolder {
public:
    ClipboardHolder() {
        std::promise<bool> opened;
        std::future<bool> isOpen = opened.get_future();
        thread_ = std::thread([this, &opened] {
            HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            const bool ok = owner && OpenClipboard(owner);
            opened.set_value(ok);
            release_.get_future().wait();
            if (ok) CloseClipboard();
            if (owner) DestroyWindow(owner);
        });
        EXPECT_TRUE(isOpen.get());
    }
    ~ClipboardHolder() {
        release_.set_value();
        thread_.join();
    }

private:
    std::promise<void> release_;
    std::thread thread_;
};

TEST(ClipboardTest, WrittenTextReadsBackByteForByte) {
    const Text text = "https://storage.live.com/items/R?authkey=K \xD6\xB1\xC1\xB4";  // ends in "直链"
    ASSERT_TRUE(WriteClipboardText(text));
    EXPECT_EQ(ReadClipboardText(), text);
}

TEST(ClipboardTest, ReadingStopsAtTheFirstZeroByteOrTheBlocksEnd) {
    PlaceTextBlock(TextToBytes({'a', 'b', 0, 'c'}));
    EXPECT_EQ(ReadClipboardText(), "ab");
    // No terminating zero at all. Wine writes one over the block's last byte
    // itself, so all that holds everywhere is: the block's bytes, nothing past it.
    PlaceTextBlock(Bytes(300, 'x'));
    const Text text = ReadClipboardText();
    EXPECT_GE(text.size(), 299u);
    EXPECT_LE(text.size(), 300u);
    EXPECT_EQ(text.find_first_not_of('x'), Text::npos);
}

TEST(ClipboardTest, ClipboardWithoutTextReadsAsEmpty) {
    EmptyTheClipboard();
    EXPECT_EQ(ReadClipboardText(), "");
}

TEST(ClipboardTest, HeldClipboardKeepsWhatItHadAndReportsTheFailure) {
    ASSERT_TRUE(WriteClipboardText("kept"));
    {
        ClipboardHolder holder;
        EXPECT_FALSE(WriteClipboardText("lost"));
        EXPECT_EQ(ReadClipboardText(), "");
    }
    EXPECT_EQ(ReadClipboardText(), "kept");
}

}  // namespace
