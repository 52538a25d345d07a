// The window procedure's rule, shared by every window shell: Space toggles the
// speed, Escape and the destruction of the window ask to quit, other keys do
// nothing. RunDemo hands it to the shell.
#pragma once
#include <cstdint>

#include "platform/window_messages.h"

// Applies the rule to one message; toggles Scene.fullSpeed on Space.
MessageOutcome DecideWindowMessage(uint32_t message, uintptr_t wParam);
