// What a process holds, as another process sees it: the figures that the GUI tests' driver and
// the benchmarks' probe report.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <string>
#include <vector>

// Private bytes, working set, GDI objects, USER objects and handles, "-" for a figure the system
// does not give; empty when the process cannot be opened.
inline std::vector<std::string> ProcessUsage(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p) return {};
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    const bool gotMemory =
        K32GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD handles = 0;
    const bool gotHandles = GetProcessHandleCount(p, &handles);
    const DWORD gdi = GetGuiResources(p, GR_GDIOBJECTS), user = GetGuiResources(p, GR_USEROBJECTS);
    CloseHandle(p);
    auto figure = [](bool got, unsigned long long value) { return got ? std::to_string(value) : std::string("-"); };
    return {figure(gotMemory, memory.PrivateUsage), figure(gotMemory, memory.WorkingSetSize), std::to_string(gdi),
            std::to_string(user), figure(gotHandles, handles)};
}

struct WindowCount {
    DWORD pid;
    int n;
};

inline BOOL CALLBACK CountChildWindow(HWND, LPARAM count) {
    ++reinterpret_cast<WindowCount*>(count)->n;
    return TRUE;
}

inline BOOL CALLBACK CountWindowOfProcess(HWND window, LPARAM count) {
    auto* c = reinterpret_cast<WindowCount*>(count);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != c->pid) return TRUE;
    ++c->n;
    EnumChildWindows(window, CountChildWindow, count);
    return TRUE;
}

// How many windows (top-level, message-only and child) the process owns.
inline int ProcessWindowCount(DWORD pid) {
    WindowCount count = {pid, 0};
    EnumWindows(CountWindowOfProcess, reinterpret_cast<LPARAM>(&count));
    // Message-only windows are not enumerated with the others.
    for (HWND h = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = FindWindowExA(HWND_MESSAGE, h, nullptr, nullptr))
        CountWindowOfProcess(h, reinterpret_cast<LPARAM>(&count));
    return count.n;
}
