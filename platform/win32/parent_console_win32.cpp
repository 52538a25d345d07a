// A window program's stdout on the console of the command prompt that started it.
#include <windows.h>

#include <cstdio>

#include "platform/parent_console.h"

namespace {

// Redirected output (a file, a pipe) arrives as a usable handle; a program
// started from a console without redirection, or from Explorer, has none.
bool StdoutIsRedirected() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsoleForOutput() {
    if (StdoutIsRedirected()) return;
    // Fails when the parent has no console (Explorer): no window appears then.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
}
