// Test driver for the GUI tests: a line-protocol REPL on stdin/stdout that
// looks at and pokes the program's windows from another process, as a user and
// the shell would. One request line in, one answer line out ("ok ..." or
// Err("...")). Window handles are hex, numbers decimal, byte strings hex ("-" is
// the empty string) so that GBK text crosses the pipe untouched.
//
// Started as "driver --record FILE URL" it is instead a stand-in URL handler:
// it appends URL to FILE and exits.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/app/process_usage.h"

namespace {

using Args = std::vector<std::string>;

std::string ToHex(const std::string& bytes) {
    if (bytes.empty()) return "-";
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    if (hex == "-") return out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// Byte strings too long for one line are built from segments: HEX, or
// HEX*COUNT for COUNT copies of those bytes.
std::string FromSegments(const std::vector<std::string>& words, size_t first) {
    std::string out;
    for (size_t i = first; i < words.size(); ++i) {
        const size_t star = words[i].find('*');
        const std::string bytes = FromHex(words[i].substr(0, star));
        const size_t count = star == std::string::npos ? 1 : std::stoull(words[i].substr(star + 1));
        out.reserve(out.size() + bytes.size() * count);
        for (size_t n = 0; n < count; ++n) out += bytes;
    }
    return out;
}

// CRC-32 as zlib computes it, so that large texts are compared by length and sum.
unsigned long Crc32(const char* data, size_t size) {
    static unsigned long table[256];
    if (!table[1])
        for (unsigned long n = 0; n < 256; ++n) {
            unsigned long c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    unsigned long crc = 0xFFFFFFFFUL;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}

std::string HandleText(const void* h) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
    return buf;
}

HWND ParseHwnd(const std::string& s) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::stoull(s, nullptr, 16)));
}

// Windows of another process: ask the window itself, with a bound, so a hung
// program gives an error instead of a hung driver.
bool SendBounded(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* result) {
    return SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, result) != 0;
}

// The whole text of a window of any length; false when it did not answer.
bool LongWindowText(HWND hwnd, std::string* text) {
    DWORD_PTR length = 0;
    if (!SendBounded(hwnd, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
    std::vector<char> buf(length + 1);
    DWORD_PTR copied = 0;
    if (!SendBounded(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &copied)) return false;
    text->assign(buf.data(), strnlen(buf.data(), buf.size()));
    return true;
}

std::string WindowText(HWND hwnd) {
    std::vector<char> buf(65536);
    DWORD_PTR n = 0;
    if (!SendBounded(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &n)) return {};
    return std::string(buf.data(), std::strlen(buf.data()));
}

std::string ClassOf(HWND hwnd) {
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

// ---- clipboard -----------------------------------------------------------

bool OpenClipboardBounded() {
    for (int i = 0; i < 100; ++i) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(10);
    }
    return false;
}

std::string ClipboardText(bool* present) {
    *present = false;
    std::string text;
    if (!OpenClipboardBounded()) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            *present = true;
            text.assign(p, strnlen(p, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// What a reader of CF_TEXT sees: the block's size, the length up to its first
// zero byte (the size when it holds none) and the CRC-32 of those bytes.
std::string ClipboardSummary() {
    if (!OpenClipboardBounded()) return "busy";
    std::string answer = "none";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            const size_t size = GlobalSize(data), length = strnlen(p, size);
            answer = std::to_string(size)
                         .append(" ")
                         .append(std::to_string(length))
                         .append(" ")
                         .append(std::to_string(Crc32(p, length)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return answer;
}

// kind: "text" puts bytes as CF_TEXT with a zero after them, "raw" a CF_TEXT
// block of exactly those bytes and nothing more (the answer gives the size the
// system made of it), "bitmap" a small picture only, "empty" nothing.
bool SetClipboard(const std::string& kind, const std::string& bytes, std::string* answer) {
    if (!OpenClipboardBounded()) return false;
    EmptyClipboard();
    bool ok = true;
    if (kind == "raw") {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        if (char* p = static_cast<char*>(GlobalLock(mem))) {
            std::memcpy(p, bytes.data(), bytes.size());
            GlobalUnlock(mem);
        }
        *answer = std::to_string(GlobalSize(mem));
        ok = SetClipboardData(CF_TEXT, mem) != nullptr;
    } else if (kind == "text") {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 1);
        if (char* p = static_cast<char*>(GlobalLock(mem))) {
            std::memcpy(p, bytes.data(), bytes.size());
            GlobalUnlock(mem);
        }
        ok = SetClipboardData(CF_TEXT, mem) != nullptr;
    } else if (kind == "bitmap") {
        HDC screen = GetDC(nullptr);
        HBITMAP bmp = CreateCompatibleBitmap(screen, 8, 8);
        ReleaseDC(nullptr, screen);
        ok = SetClipboardData(CF_BITMAP, bmp) != nullptr;
    }
    CloseClipboard();
    return ok;
}

std::vector<std::string> ClipboardFormats() {
    std::vector<std::string> out;
    if (!OpenClipboardBounded()) return out;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) out.push_back(std::to_string(f));
    CloseClipboard();
    return out;
}

// ---- input ---------------------------------------------------------------

void SendKeys(const std::vector<WORD>& down) {
    std::vector<INPUT> in;
    for (WORD vk : down) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        in.push_back(i);
    }
    for (auto it = down.rbegin(); it != down.rend(); ++it) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

bool KeyByName(const std::string& name) {
    if (name == "esc")
        SendKeys({VK_ESCAPE});
    else if (name == "enter")
        SendKeys({VK_RETURN});
    else if (name == "tab")
        SendKeys({VK_TAB});
    else if (name == "shifttab")
        SendKeys({VK_SHIFT, VK_TAB});
    else if (name == "a")
        SendKeys({'A'});
    else if (name == "altf4")
        SendKeys({VK_MENU, VK_F4});
    else
        return false;
    return true;
}

void MouseClick(int x, int y) {
    SetCursorPos(x, y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

// ---- a window of the driver's own, to take the activation away -----------

HDESK g_desktop = nullptr;

LRESULT CALLBACK OwnWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

DWORD WINAPI OwnWindowThread(LPVOID param) {
    auto* created = static_cast<HWND*>(param);
    if (g_desktop) SetThreadDesktop(g_desktop);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = OwnWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvanelTestDriverWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "driver", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    *created = hwnd;
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}

HWND OwnWindow() {
    static HWND own = nullptr;
    if (own) return own;
    HWND created = nullptr;
    HANDLE thread = CreateThread(nullptr, 0, OwnWindowThread, &created, 0, nullptr);
    for (int i = 0; i < 500 && !created; ++i) Sleep(10);
    CloseHandle(thread);
    own = created;
    return own;
}

// ---- pixels --------------------------------------------------------------

// What paint(dc, bits) draws into a fresh width x height 32-bit bitmap, top
// row first, as 0xRRGGBB.
template <class Paint>
std::vector<uint32_t> PaintedPixels(int width, int height, Paint paint) {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    paint(mem, screen, static_cast<uint32_t*>(bits));
    GdiFlush();
    const auto* src = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = src[i] & 0xFFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Screen pixels of a rectangle, top row first, as 0xRRGGBB.
std::vector<uint32_t> ScreenPixels(int left, int top, int width, int height) {
    return PaintedPixels(width, height, [&](HDC mem, HDC screen, uint32_t*) {
        BitBlt(mem, 0, 0, width, height, screen, left, top, SRCCOPY);
    });
}

// A 24-bit bottom-up BMP: the simplest file any image tool reads.
bool WriteBmp(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + stride * height;
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::vector<unsigned char> row(stride);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            row[x * 3] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

// Which standard icon a message box shows: draw each candidate on the box's
// own background and take the one closest to the pixels on screen.
std::string MessageBoxIcon(HWND iconStatic) {
    RECT r;
    GetWindowRect(iconStatic, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || !IsWindowVisible(iconStatic)) return "none";
    const std::vector<uint32_t> shown = ScreenPixels(r.left, r.top, w, h);
    const uint32_t background = shown[0];
    struct Candidate {
        const char* name;
        LPCSTR id;
    } candidates[] = {
        {"information", IDI_INFORMATION}, {"warning", IDI_WARNING}, {"error", IDI_ERROR}, {"question", IDI_QUESTION}};
    std::string best = "none";
    long long bestDistance = -1;
    for (const Candidate& c : candidates) {
        const std::vector<uint32_t> drawn = PaintedPixels(w, h, [&](HDC mem, HDC, uint32_t* px) {
            for (int i = 0; i < w * h; ++i) px[i] = background;
            DrawIconEx(mem, 0, 0, LoadIconA(nullptr, c.id), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
        });
        long long distance = 0;
        for (int i = 0; i < w * h; ++i)
            for (int shift = 0; shift < 24; shift += 8)
                distance += std::abs(static_cast<int>((drawn[i] >> shift) & 0xFF) -
                                     static_cast<int>((shown[i] >> shift) & 0xFF));
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = c.name;
        }
    }
    return best;
}

// ---- resources of an executable ------------------------------------------

std::vector<char> VersionInfo(const std::string& exe) {
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    if (data.empty() || !GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        data.clear();
    return data;
}

struct IconDirEntry {  // GRPICONDIRENTRY as stored in an RT_GROUP_ICON resource
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};

std::string ResourceBytes(const std::string& exe, LPCSTR type, LPCSTR name) {
    std::string out;
    HMODULE mod = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!mod) return out;
    if (HRSRC res = FindResourceA(mod, name, type))
        if (HGLOBAL loaded = LoadResource(mod, res))
            out.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(mod, res));
    FreeLibrary(mod);
    return out;
}

BOOL CALLBACK CollectDialog(HWND h, LPARAM found) {
    if (IsWindowVisible(h) && ClassOf(h) == "#32770") reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
    return TRUE;
}

HKEY RootKey(const std::string& name) {
    if (name == "hkcu") return HKEY_CURRENT_USER;
    if (name == "hkcr") return HKEY_CLASSES_ROOT;
    throw std::invalid_argument("unknown registry root");
}

// ---- the commands --------------------------------------------------------

// Answers are assembled by appending: GCC 12 misreads "literal" + std::string
// temporaries under -O2 (a false -Wrestrict).
std::string Ok(const std::string& rest = "") {
    std::string answer = "ok";
    if (!rest.empty()) answer.append(" ").append(rest);
    return answer;
}

std::string OkList(const std::vector<std::string>& items) {
    std::string answer = "ok";
    for (const std::string& item : items) answer.append(" ").append(item);
    return answer;
}

std::string Err(const std::string& why) { return std::string("err ").append(why); }

std::string RectAnswer(const RECT& r) {
    return OkList({std::to_string(r.left), std::to_string(r.top), std::to_string(r.right), std::to_string(r.bottom)});
}

std::string Run(const Args& a) {
    const std::string& c = a[0];
    auto need = [&](size_t n) {
        if (a.size() < n + 1) throw std::invalid_argument(std::to_string(n).append(" arguments needed"));
    };
    if (c == "attach") {  // use the named desktop from now on (find, input, pixels)
        need(1);
        HDESK d = OpenDesktopA(a[1].c_str(), 0, FALSE, GENERIC_ALL);
        if (!d) return Err("no such desktop");
        if (!SetThreadDesktop(d)) return Err(std::to_string(GetLastError()));
        g_desktop = d;
        return Ok();
    }
    if (c == "find") {  // find CLASS [TITLEHEX]
        need(1);
        std::string title = a.size() > 2 ? FromHex(a[2]) : "";
        return Ok(HandleText(FindWindowA(a[1].c_str(), a.size() > 2 ? title.c_str() : nullptr)));
    }
    if (c == "thread") {  // thread HWND -> tid pid
        need(1);
        DWORD pid = 0;
        DWORD tid = GetWindowThreadProcessId(ParseHwnd(a[1]), &pid);
        return OkList({std::to_string(tid), std::to_string(pid)});
    }
    if (c == "child") {
        need(2);
        return Ok(HandleText(GetDlgItem(ParseHwnd(a[1]), std::stoi(a[2]))));
    }
    if (c == "children") {  // children HWND -> hwnd:id:class:style ...
        need(1);
        std::vector<std::string> out;
        for (HWND ch = GetWindow(ParseHwnd(a[1]), GW_CHILD); ch; ch = GetWindow(ch, GW_HWNDNEXT)) {
            char style[16];
            std::snprintf(style, sizeof style, "%lx", static_cast<unsigned long>(GetWindowLongPtrA(ch, GWL_STYLE)));
            out.push_back(HandleText(ch)
                              .append(":")
                              .append(std::to_string(GetDlgCtrlID(ch)))
                              .append(":")
                              .append(ClassOf(ch))
                              .append(":")
                              .append(style));
        }
        return OkList(out);
    }
    if (c == "class") {
        need(1);
        return Ok(ClassOf(ParseHwnd(a[1])));
    }
    if (c == "text") {
        need(1);
        return Ok(ToHex(WindowText(ParseHwnd(a[1]))));
    }
    if (c == "textsum") {  // textsum HWND -> length and CRC-32 of its whole text
        need(1);
        std::string text;
        if (!LongWindowText(ParseHwnd(a[1]), &text)) return Err("timeout");
        return OkList({std::to_string(text.size()), std::to_string(Crc32(text.data(), text.size()))});
    }
    if (c == "settext") {  // settext HWND SEGMENTS
        need(2);
        std::string text = FromSegments(a, 2);
        DWORD_PTR r = 0;
        return SendBounded(ParseHwnd(a[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &r) ? Ok()
                                                                                                       : Err("timeout");
    }
    if (c == "rect") {
        need(1);
        RECT r = {};
        GetWindowRect(ParseHwnd(a[1]), &r);
        return RectAnswer(r);
    }
    if (c == "client") {  // client rect in screen coordinates
        need(1);
        HWND h = ParseHwnd(a[1]);
        RECT r = {};
        GetClientRect(h, &r);
        MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return RectAnswer(r);
    }
    if (c == "style") {
        need(1);
        HWND h = ParseHwnd(a[1]);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%lx %lx", static_cast<unsigned long>(GetWindowLongPtrA(h, GWL_STYLE)),
                      static_cast<unsigned long>(GetWindowLongPtrA(h, GWL_EXSTYLE)));
        return Ok(buf);
    }
    if (c == "state") {  // state HWND -> exists visible enabled
        need(1);
        HWND h = ParseHwnd(a[1]);
        return OkList({IsWindow(h) ? "1" : "0", IsWindowVisible(h) ? "1" : "0", IsWindowEnabled(h) ? "1" : "0"});
    }
    if (c == "owner") {
        need(1);
        return Ok(HandleText(GetWindow(ParseHwnd(a[1]), GW_OWNER)));
    }
    if (c == "metrics") {
        // screen width and height, caption height, fixed frame width and height
        std::vector<std::string> out;
        for (int m : {SM_CXSCREEN, SM_CYSCREEN, SM_CYCAPTION, SM_CXFIXEDFRAME, SM_CYFIXEDFRAME})
            out.push_back(std::to_string(GetSystemMetrics(m)));
        return OkList(out);
    }
    if (c == "focus") {  // focus TID -> focus active foreground
        need(1);
        GUITHREADINFO gi = {};
        gi.cbSize = sizeof gi;
        if (!GetGUIThreadInfo(static_cast<DWORD>(std::stoul(a[1])), &gi)) return Err("GetGUIThreadInfo");
        return OkList({HandleText(gi.hwndFocus), HandleText(gi.hwndActive), HandleText(GetForegroundWindow())});
    }
    if (c == "dialogs") {  // visible dialog windows (message boxes) of a thread
        need(1);
        std::vector<HWND> found;
        EnumThreadWindows(static_cast<DWORD>(std::stoul(a[1])), CollectDialog, reinterpret_cast<LPARAM>(&found));
        std::vector<std::string> out;
        for (HWND h : found) out.push_back(HandleText(h));
        return OkList(out);
    }
    if (c == "boxicon") {  // boxicon DIALOG -> the standard icon its icon control shows
        need(1);
        for (HWND ch = GetWindow(ParseHwnd(a[1]), GW_CHILD); ch; ch = GetWindow(ch, GW_HWNDNEXT))
            if (ClassOf(ch) == "Static" && (GetWindowLongPtrA(ch, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                return Ok(MessageBoxIcon(ch));
        return Ok("none");
    }
    if (c == "clipsum") return Ok(ClipboardSummary());
    if (c == "hold") {  // keeps the clipboard open until "release", as a busy program would
        // For a window: Wine lets a second OpenClipboard(NULL) in while the first
        // one is open with none.
        static HWND holder = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        for (int i = 0; i < 100; ++i) {
            if (OpenClipboard(holder)) return Ok();
            Sleep(10);
        }
        return Err("clipboard");
    }
    if (c == "release") return CloseClipboard() ? Ok() : Err(std::to_string(GetLastError()));
    if (c == "clip") {
        bool present = false;
        std::string text = ClipboardText(&present);
        return present ? Ok(ToHex(text)) : Ok("none");
    }
    if (c == "setclip") {  // setclip text SEGMENTS | setclip raw SEGMENTS | setclip bitmap | setclip empty
        need(1);
        std::string answer;
        return SetClipboard(a[1], FromSegments(a, 2), &answer) ? Ok(answer) : Err("clipboard");
    }
    if (c == "formats") return OkList(ClipboardFormats());
    if (c == "post") {  // post HWND MSG WPARAM LPARAM (decimal)
        need(4);
        return PostMessageA(ParseHwnd(a[1]), std::stoul(a[2]), std::stoull(a[3]), std::stoll(a[4])) ? Ok()
                                                                                                    : Err("post");
    }
    if (c == "send") {  // send HWND MSG WPARAM LPARAM: returns once the window has handled it
        need(4);
        DWORD_PTR r = 0;
        return SendBounded(ParseHwnd(a[1]), std::stoul(a[2]), std::stoull(a[3]), std::stoll(a[4]), &r)
                   ? Ok(std::to_string(r))
                   : Err("timeout");
    }
    if (c == "sync") {  // returns once the window's thread has handled everything sent or posted before
        need(1);
        DWORD_PTR r = 0;
        return SendBounded(ParseHwnd(a[1]), WM_NULL, 0, 0, &r) ? Ok() : Err("timeout");
    }
    if (c == "press") {  // press HWND X Y: left button down and up at client X, Y
        need(3);
        HWND h = ParseHwnd(a[1]);
        LPARAM at = MAKELPARAM(std::stoi(a[2]), std::stoi(a[3]));
        bool ok = PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(h, WM_LBUTTONUP, 0, at);
        return ok ? Ok() : Err("post");
    }
    if (c == "mouse") {  // mouse X Y: a real left click at screen X, Y
        need(2);
        MouseClick(std::stoi(a[1]), std::stoi(a[2]));
        return Ok();
    }
    if (c == "key") {
        need(1);
        return KeyByName(a[1]) ? Ok() : Err("unknown key");
    }
    if (c == "activate") {
        need(1);
        HWND h = a[1] == "own" ? OwnWindow() : ParseHwnd(a[1]);
        return SetForegroundWindow(h) ? Ok(HandleText(h)) : Err("SetForegroundWindow");
    }
    if (c == "own") return Ok(HandleText(OwnWindow()));
    if (c == "capture") {  // capture L T R B FILE: screen pixels to a BMP
        need(5);
        int l = std::stoi(a[1]), t = std::stoi(a[2]), w = std::stoi(a[3]) - l, h = std::stoi(a[4]) - t;
        if (w <= 0 || h <= 0) return Err("empty rectangle");
        return WriteBmp(a[5], w, h, ScreenPixels(l, t, w, h)) ? Ok() : Err("write");
    }
    if (c == "alive") {
        need(1);
        HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(a[1]));
        if (!p) return Ok("0");
        bool running = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
        CloseHandle(p);
        return Ok(running ? "1" : "0");
    }
    if (c == "usage") {
        // usage PID -> private bytes, working set, GDI objects, USER objects, handles
        need(1);
        const std::vector<std::string> usage = ProcessUsage(std::stoul(a[1]));
        return usage.empty() ? Err(std::to_string(GetLastError())) : OkList(usage);
    }
    if (c == "peak") {  // peak PID -> the most private bytes and working set the process has had
        need(1);
        HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, std::stoul(a[1]));
        if (!p) return Err(std::to_string(GetLastError()));
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        const bool got = K32GetProcessMemoryInfo(p, &memory, sizeof memory);
        CloseHandle(p);
        if (!got) return Err("memory");
        return OkList({std::to_string(memory.PeakPagefileUsage), std::to_string(memory.PeakWorkingSetSize)});
    }
    if (c == "windows") {  // windows PID -> how many windows (top-level, message-only and child) the process owns
        need(1);
        return Ok(std::to_string(ProcessWindowCount(std::stoul(a[1]))));
    }
    if (c == "kill") {
        need(1);
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(a[1]));
        if (!p) return Ok("gone");
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
        return Ok();
    }
    if (c == "procs") {  // procs EXENAME -> pids of running processes of that name
        need(1);
        std::vector<std::string> out;
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 pe = {};
        pe.dwSize = sizeof pe;
        for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe))
            if (lstrcmpiA(pe.szExeFile, a[1].c_str()) == 0) out.push_back(std::to_string(pe.th32ProcessID));
        CloseHandle(snap);
        return OkList(out);
    }
    if (c == "verstr") {  // verstr EXE BLOCK NAME -> the string's bytes
        need(3);
        std::vector<char> info = VersionInfo(a[1]);
        std::string path = std::string("\\StringFileInfo\\").append(a[2]).append("\\").append(a[3]);
        char* value = nullptr;
        UINT len = 0;
        if (info.empty() || !VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &len))
            return Err("missing");
        return Ok(ToHex(std::string(value, strnlen(value, len))));
    }
    if (c == "vertrans") {  // vertrans EXE -> lang:codepage ...
        need(1);
        std::vector<char> info = VersionInfo(a[1]);
        WORD* pairs = nullptr;
        UINT len = 0;
        if (info.empty() ||
            !VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs), &len))
            return Err("missing");
        std::vector<std::string> out;
        for (UINT i = 0; i + 1 < len / sizeof(WORD); i += 2) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04x:%04x", pairs[i], pairs[i + 1]);
            out.push_back(buf);
        }
        return OkList(out);
    }
    if (c == "verfixed") {  // verfixed EXE -> fileMS fileLS productMS productLS type os (hex)
        need(1);
        std::vector<char> info = VersionInfo(a[1]);
        VS_FIXEDFILEINFO* f = nullptr;
        UINT len = 0;
        if (info.empty() || !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&f), &len))
            return Err("missing");
        char buf[128];
        std::snprintf(buf, sizeof buf, "%lx %lx %lx %lx %lx %lx", f->dwFileVersionMS, f->dwFileVersionLS,
                      f->dwProductVersionMS, f->dwProductVersionLS, f->dwFileType, f->dwFileOS);
        return Ok(buf);
    }
    if (c == "icongroup") {  // icongroup EXE NAME -> WxH:bpp per image
        need(2);
        std::string group = ResourceBytes(a[1], MAKEINTRESOURCEA(14), a[2].c_str());  // RT_GROUP_ICON
        if (group.size() < 6) return Err("missing");
        WORD count = 0;
        std::memcpy(&count, group.data() + 4, 2);
        std::vector<std::string> out;
        for (WORD i = 0; i < count && 6 + (i + 1) * 14u <= group.size(); ++i) {
            IconDirEntry e;
            std::memcpy(&e, group.data() + 6 + i * 14, 14);
            char buf[32];  // a size byte of 0 means 256
            std::snprintf(buf, sizeof buf, "%dx%d:%d", e.width ? e.width : 256, e.height ? e.height : 256, e.bitCount);
            out.push_back(buf);
        }
        return OkList(out);
    }
    if (c == "manifest") {  // manifest EXE -> the bytes of manifest resource 1
        need(1);
        std::string m = ResourceBytes(a[1], MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));  // RT_MANIFEST
        return m.empty() ? Err("missing") : Ok(ToHex(m));
    }
    // Registry: ROOT is hkcu or hkcr; a key's default value as hex bytes.
    if (c == "regset") {  // regset ROOT SUBKEY_HEX VALUE_HEX
        need(3);
        std::string key = FromHex(a[2]), value = FromHex(a[3]);
        LSTATUS s = RegSetKeyValueA(RootKey(a[1]), key.c_str(), nullptr, REG_SZ, value.c_str(),
                                    static_cast<DWORD>(value.size() + 1));
        return s == ERROR_SUCCESS ? Ok() : Err(std::to_string(s));
    }
    if (c == "regget") {  // regget ROOT SUBKEY_HEX -> the default value, or "none" when the key is missing
        need(2);
        HKEY k;
        if (RegOpenKeyExA(RootKey(a[1]), FromHex(a[2]).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return Ok("none");
        char buf[4096] = {};
        DWORD size = sizeof buf;
        LSTATUS s = RegGetValueA(k, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, buf, &size);
        RegCloseKey(k);
        if (s == ERROR_FILE_NOT_FOUND) return Ok("-");
        return s == ERROR_SUCCESS ? Ok(ToHex(buf)) : Err(std::to_string(s));
    }
    if (c == "regdel") {  // regdel ROOT SUBKEY_HEX: the key and everything below it
        need(2);
        HKEY root = RootKey(a[1]);
        std::string key = FromHex(a[2]);
        LSTATUS s = RegDeleteTreeA(root, key.c_str());
        if (s == ERROR_SUCCESS) s = RegDeleteKeyA(root, key.c_str());
        return s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND ? Ok() : Err(std::to_string(s));
    }
    return Err("unknown command");
}

int RecordUrl(const char* file, const char* url) {
    FILE* f = std::fopen(file, "ab");
    if (!f) return 1;
    std::fprintf(f, "%s\n", url);
    return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--record") == 0) return RecordUrl(argv[2], argv[3]);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        Args args;
        for (std::string w; words >> w;) args.push_back(w);
        if (args.empty()) continue;
        if (args[0] == "quit") break;
        std::string answer;
        try {
            answer = Run(args);
        } catch (const std::exception& e) {
            answer = std::string(Err("")) + e.what();
        }
        std::cout << answer << std::endl;
    }
    return 0;
}
