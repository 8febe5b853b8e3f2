// Windows: arguments, input and output are bytes of the ANSI code page (936 on a Chinese
// system), the program's own; COM carries the WinHTTP request object.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "cli/console.h"
#include "cli/messages.h"

void BeginRun() { CoInitialize(nullptr); }
void EndRun() { CoUninitialize(); }

// From the wide command line rather than the C runtime's argv: its conversion puts look-alikes
// (best fit) in place of the characters the code page has not, which would change a link unseen.
std::vector<Input> ProgramArguments(int, char**) {
    std::vector<Input> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 1; i < count; ++i) {
        const int units = lstrlenW(wide[i]);
        const int length =
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide[i], units, nullptr, 0, nullptr, nullptr);
        std::string bytes(length > 0 ? length : 0, '\0');
        BOOL lost = FALSE;
        if (length > 0) {
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide[i], units, bytes.data(), length, nullptr, &lost);
        }
        arguments.push_back(lost ? Input{bytes, std::nullopt} : Input{bytes, bytes});
    }
    LocalFree(wide);
    return arguments;
}

Input InputLine(const std::string& bytes) { return {bytes, bytes}; }

std::string OutputBytes(const Text& text) { return text; }

std::optional<Text> UseCertificateAuthorities(const std::string&) { return Text(NO_CA_FILE_HERE); }
