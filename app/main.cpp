#include <windows.h>
#include <ole2.h>

#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
    // The HTTP requests' COM calls run in this thread's apartment.
    OleInitialize(nullptr);
    const int exitCode = RunMainWindow(showCommand);
    EndResolverSession();
    OleUninitialize();
    return exitCode;
}
