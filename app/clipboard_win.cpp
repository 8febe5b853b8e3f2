#include "app/clipboard.h"

#include <windows.h>

#include <cstring>
#include <memory>

namespace {

// Another program (a clipboard viewer or manager) may hold the clipboard for a
// moment; wait up to about half a second for it.
bool OpenClipboardBriefly() {
    constexpr int ATTEMPTS = 20;
    for (int attempt = 1; attempt <= ATTEMPTS; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        if (attempt < ATTEMPTS) Sleep(25);
    }
    return false;
}

}  // namespace

Text ReadClipboardText() {
    if (!OpenClipboardBriefly()) return Text();
    Text text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
            // The block need not hold a zero byte; never read past its end.
            text.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool WriteClipboardText(const Text& text) {
    // The block is ready before the clipboard is emptied, so a failure here
    // leaves the user's clipboard alone. It is freed on every way out but one:
    // once SetClipboardData succeeds it belongs to the clipboard.
    struct GlobalFreer {
        void operator()(void* block) const { GlobalFree(block); }
    };
    std::unique_ptr<void, GlobalFreer> block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1));
    if (!block) return false;
    void* bytes = GlobalLock(block.get());
    if (!bytes) return false;
    std::memcpy(bytes, text.data(), text.size());
    GlobalUnlock(block.get());

    if (!OpenClipboardBriefly()) return false;
    const bool written = EmptyClipboard() && SetClipboardData(CF_TEXT, block.get()) != nullptr;
    CloseClipboard();
    if (written) block.release();
    return written;
}
