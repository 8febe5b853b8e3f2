// The Windows services behind the text routines: the thread's message pump and the system's
// code-page conversion.
#include <windows.h>

#include <climits>
#include <vector>

#include "text/text.h"

void ProcessEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

Text Utf8ToGbk(const Bytes& utf8) {
    // The conversion functions count in int; a larger input cannot be handed to them whole.
    if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX / 2)) return Text();
    const char* source = reinterpret_cast<const char*>(utf8.data());
    const int length = static_cast<int>(utf8.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, source, length, nullptr, 0);
    if (units <= 0) return Text();
    std::vector<wchar_t> wide(static_cast<std::size_t>(units) + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, source, length, wide.data(), units);
    const int bytes = WideCharToMultiByte(936, 0, wide.data(), units + 1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return Text();
    Text gbk = BlankText(bytes);
    WideCharToMultiByte(936, 0, wide.data(), units + 1, gbk.data(), bytes, nullptr, nullptr);
    return Text(gbk.c_str());
}
