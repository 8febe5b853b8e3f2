// The start-up and memory reference: the minimal Win32 program (minimal_win32.cpp, its WinMain
// renamed MinimalWinMain) with COM's apartment made first, as the window program must make it.
#include <windows.h>
#include <ole2.h>

// Declared where WinMain is, so with C linkage.
extern "C" int WINAPI MinimalWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    OleInitialize(nullptr);
    const int exitCode = MinimalWinMain(instance, previous, commandLine, show);
    OleUninitialize();
    return exitCode;
}
