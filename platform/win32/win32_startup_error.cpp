// The Windows shell's start-up error: standard error (a redirection or the
// command prompt that started the program) and an error box without an owner
// window, so that a program started from Explorer says why it ends too.
#include <windows.h>

#include <string>

#include "platform/console_output.h"
#include "platform/startup_error.h"

void ShowStartupError(const char* line) {
    WriteStandardError(("velmora: " + std::string(line) + "\n").c_str());
    MessageBoxA(nullptr, line, nullptr, MB_ICONERROR);
}
