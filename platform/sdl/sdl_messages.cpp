// The SDL shell's message pump: one event per frame, through the shared rule.
#include <SDL.h>

#include "platform/sdl/sdl_event_translation.h"
#include "platform/sdl/sdl_window_updates.h"
#include "platform/shell.h"
#include "platform/window_messages.h"

namespace {

constexpr int QuitExitCode = 0;  // the code every quit request carries

}  // namespace

WindowRule ShellWindowRule = nullptr;

bool PumpOneMessage(int* quitCode) {
    FinishWindowUpdate();  // one thread at a time in SDL
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return true;
    WindowMessage translated = TranslateEvent(event);
    if (ShellWindowRule(translated.message, translated.wParam) ==
        MessageOutcome::QuitRequested) {
        *quitCode = QuitExitCode;
        return false;
    }
    return true;
}

void PauseBetweenFrames() { SDL_Delay(IdlePauseMs); }
