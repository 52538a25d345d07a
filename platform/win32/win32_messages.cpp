// The Windows shell's message pump: peek without removing, and only when a
// message waits take exactly one, so the loop never blocks between frames.
#include <windows.h>

#include "platform/shell.h"

namespace {

MSG Message;  // shared by PeekMessageA and GetMessageA; WM_QUIT's wParam is the exit code

}  // namespace

bool PumpOneMessage(int* quitCode) {
    if (!PeekMessageA(&Message, nullptr, 0, 0, PM_NOREMOVE)) return true;
    if (GetMessageA(&Message, nullptr, 0, 0) == 0) {
        *quitCode = static_cast<int>(Message.wParam);
        return false;
    }
    // Any other result, -1 included, is translated and dispatched.
    TranslateMessage(&Message);
    DispatchMessageA(&Message);
    return true;
}

void PauseBetweenFrames() { Sleep(IdlePauseMs); }
