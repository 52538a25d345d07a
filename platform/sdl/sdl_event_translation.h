// SDL events in the terms of the shared window rule: key presses become
// key-down messages with the matching virtual key, closing the window becomes
// its destruction, everything else is nobody's business.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/window_messages.h"

struct WindowMessage {
    uint32_t message;  // MessageKeyDown, MessageDestroy, or 0 for none
    uintptr_t wParam;  // the virtual key of a key-down message
};

WindowMessage TranslateEvent(const SDL_Event& event);

// The application's window rule, kept by StartShell for the message pump.
extern WindowRule ShellWindowRule;
