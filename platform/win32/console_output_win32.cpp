// A window program's output: the redirection, or the console of the command
// prompt that started it. Written with the Windows calls, not the C library,
// whose stdout stays closed in a program started without one.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/console_output.h"

namespace {

// Redirected output (a file, a pipe) arrives as a usable handle; a program
// started from a console without redirection, or from Explorer, has none.
bool IsRedirected(DWORD standardHandle) {
    HANDLE out = GetStdHandle(standardHandle);
    return out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN;
}

// Attaches to the parent's console. "Access denied" means this process has
// a console already (Wine hands a window program its parent's); any other
// failure, that the parent has none.
bool AttachToParentConsole() {
    return AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED;
}

// To the redirection of the standard handle, else to the parent's console,
// where both streams end up on the same screen.
void WriteTo(DWORD standardHandle, FILE* stream, const char* text) {
    if (IsRedirected(standardHandle)) {
        std::fputs(text, stream);
        std::fflush(stream);
        return;
    }
    if (!AttachToParentConsole()) return;
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteConsoleA(console, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(console);
}

}  // namespace

void WriteStandardOutput(const char* text) { WriteTo(STD_OUTPUT_HANDLE, stdout, text); }

void WriteStandardError(const char* text) { WriteTo(STD_ERROR_HANDLE, stderr, text); }
