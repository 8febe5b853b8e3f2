// Measures what a user of the window program feels, from another process under Wine: how long
// after its creation the window is there, how long a click takes until the clipboard changes,
// and the baselines of the same run (a clipboard write and read, bare requests of the request
// object). One request line in, one answer line out ("ok ..." or "err ..."); times are
// microseconds, texts hex. One probe watches one program, in the desktop that program runs in.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "http/request_object.h"
#include "tests/app/process_usage.h"

namespace {

using Args = std::vector<std::string>;

// Bounds, not delays: a Wine process started on a busy machine takes long to show its effect.
constexpr ULONGLONG WAIT_MS = 90000;
constexpr int LINK_BOX_ID = 103;
constexpr int RESOLVE_BUTTON_ID = 102;
// The request object's option that turns following redirects off.
constexpr std::int32_t OPTION_ENABLE_REDIRECTS = 6;

HWND program;  // the watched program's main window
DWORD programPid;
HWND listener;  // told of every clipboard change

std::string FromHex(const std::string& hex) {
    std::string out;
    if (hex == "-") return out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

double Now() {
    static const double perMicrosecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perMicrosecond;
}

std::string Times(const std::vector<double>& times) {
    std::string out = "ok";
    char buf[32];
    for (double t : times) {
        std::snprintf(buf, sizeof buf, " %.1f", t);
        out += buf;
    }
    return out;
}

// Polls every millisecond: the probe must leave the program its share of the machine.
template <typename Probe>
bool WaitFor(Probe probe) {
    const ULONGLONG deadline = GetTickCount64() + WAIT_MS;
    while (!probe()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(1);
    }
    return true;
}

// usage -> private bytes, working set, GDI objects, USER objects, handles, windows
std::string Usage() {
    std::vector<std::string> usage = ProcessUsage(programPid);
    if (usage.empty()) return "err process";
    usage.push_back(std::to_string(ProcessWindowCount(programPid)));
    std::string out = "ok";
    for (const std::string& figure : usage) out += " " + figure;
    return out;
}

// The window of CLASS visible (with the focus in the link box when asked), timed from the
// creation of its process: "ok MICROSECONDS".
std::string Watch(const std::string& desktopName, const std::string& windowClass, bool focus) {
    HDESK desktop = nullptr;
    if (!WaitFor([&] { return (desktop = OpenDesktopA(desktopName.c_str(), 0, FALSE, GENERIC_ALL)) != nullptr; }))
        return "err no desktop";
    if (!SetThreadDesktop(desktop)) return "err " + std::to_string(GetLastError());
    auto shown = [&] {
        program = FindWindowA(windowClass.c_str(), nullptr);
        if (!program || !IsWindowVisible(program)) return false;
        if (!focus) return true;
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(program, nullptr), &info) &&
               info.hwndFocus == GetDlgItem(program, LINK_BOX_ID);
    };
    if (!WaitFor(shown)) return "err no window";
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    GetWindowThreadProcessId(program, &programPid);
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, programPid);
    FILETIME created, exited, kernel, user;
    const bool got = p && GetProcessTimes(p, &created, &exited, &kernel, &user);
    if (p) CloseHandle(p);
    if (!got) return "err process times";
    auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    listener = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!listener || !AddClipboardFormatListener(listener)) return "err clipboard listener";
    return Times({static_cast<double>(ticks(now) - ticks(created)) / 10});
}

void DrainMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
}

bool WaitClipboardChange() {
    const ULONGLONG deadline = GetTickCount64() + WAIT_MS;
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
            if (m.message == WM_CLIPBOARDUPDATE) return true;
        const ULONGLONG now = GetTickCount64();
        if (now > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

bool SendText(HWND window, const std::string& text) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                               &r) != 0;
}

std::string WindowText(HWND window) {
    char buf[512] = {};
    GetWindowTextA(window, buf, sizeof buf);
    return buf;
}

bool OpenClipboardBounded() {
    return WaitFor([] { return OpenClipboard(listener) != 0; });
}

bool ReadClipboard(std::string* text) {
    if (!OpenClipboardBounded()) return false;
    bool got = false;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text->assign(p, strnlen(p, GlobalSize(data)));
            got = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return got;
}

bool WriteClipboard(const std::string& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return false;
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (!OpenClipboardBounded()) return GlobalFree(block), false;
    const bool written = EmptyClipboard() && SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    if (!written) GlobalFree(block);
    return written;
}

// True once no window of the program waits to be painted: a user clicks on a window that shows
// what it holds, not on one still painting the link pasted a moment before.
BOOL CALLBACK NoteUnpainted(HWND child, LPARAM painted) {
    if (GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(painted) = false;
    return TRUE;
}

bool Painted() {
    bool painted = !GetUpdateRect(program, nullptr, FALSE);
    EnumChildWindows(program, NoteUnpainted, reinterpret_cast<LPARAM>(&painted));
    return painted;
}

// clicks N LINK CAPTION DONE_CAPTION EXPECTED: N times the link into the box and a click on the
// resolve button, each timed until the clipboard changes. The program is done with a click once
// its caption is DONE_CAPTION; only then is the clipboard read, and it must hold EXPECTED.
std::string Clicks(int n, const std::string& link, const std::string& caption, const std::string& done,
                   const std::string& expected) {
    HWND box = GetDlgItem(program, LINK_BOX_ID), button = GetDlgItem(program, RESOLVE_BUTTON_ID);
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        if (!SendText(box, link) || !SendText(program, caption)) return "err settext";
        if (!WaitFor(Painted)) return "err never painted";
        DrainMessages();
        const double start = Now();
        if (!PostMessageA(button, BM_CLICK, 0, 0)) return "err post";
        if (!WaitClipboardChange()) return "err no clipboard change";
        times.push_back(Now() - start);
        if (!WaitFor([&] { return WindowText(program) == done; })) return "err caption";
        std::string text;
        if (!ReadClipboard(&text) || text != expected) return "err clipboard holds " + text;
    }
    return Times(times);
}

// clipboard N TEXT: N times a write of TEXT and a read of it back.
std::string ClipboardRounds(int n, const std::string& text) {
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const double start = Now();
        std::string back;
        if (!WriteClipboard(text) || !ReadClipboard(&back)) return "err clipboard";
        times.push_back(Now() - start);
        if (back != text) return "err clipboard holds " + back;
    }
    return Times(times);
}

// requests N METHOD,URL,BODY ...: N times each request in turn, with redirects off; a sample is
// the time of all of them. One request object serves every request of the probe, made by the
// first, as the program's session makes one for all of its requests.
std::string Requests(int n, const Args& requests) {
    static std::shared_ptr<RequestObject> object;
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const double start = Now();
        for (const std::string& request : requests) {
            std::istringstream parts(request);
            std::string method, url, body;
            std::getline(parts, method, ',');
            std::getline(parts, url, ',');
            std::getline(parts, body, ',');
            if (!object) {
                SystemRequestPlatform().Initialize();
                object = SystemRequestPlatform().CreateRequestObject();
                if (!object) return "err no request object";
            }
            object->Invoke("Open", MemberKind::Method, {method, FromHex(url), false});
            object->Invoke("Option", MemberKind::PropertyPut, {OPTION_ENABLE_REDIRECTS, std::int32_t{0}});
            object->Invoke("Send", MemberKind::Method, {FromHex(body)});
            const AutomationValue status = object->Invoke("Status", MemberKind::PropertyGet, {});
            if (!std::holds_alternative<std::int32_t>(status) || std::get<std::int32_t>(status) == 0)
                return "err no answer from " + FromHex(url);
        }
        times.push_back(Now() - start);
    }
    return Times(times);
}

std::string Run(const Args& a) {
    const std::string& c = a[0];
    if (c == "watch" && a.size() == 4) return Watch(a[1], a[2], a[3] == "1");
    if (c == "usage") return Usage();
    if (c == "clicks" && a.size() == 6)
        return Clicks(std::stoi(a[1]), FromHex(a[2]), FromHex(a[3]), FromHex(a[4]), FromHex(a[5]));
    if (c == "clipboard" && a.size() == 3) return ClipboardRounds(std::stoi(a[1]), FromHex(a[2]));
    if (c == "requests" && a.size() >= 3) return Requests(std::stoi(a[1]), Args(a.begin() + 2, a.end()));
    if (c == "kill") {
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, programPid);
        if (!p) return "ok";
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
        return "ok";
    }
    return "err unknown command";
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        Args args;
        for (std::string w; words >> w;) args.push_back(w);
        if (args.empty()) continue;
        if (args[0] == "quit") break;
        std::cout << Run(args) << std::endl;
    }
    return 0;
}
