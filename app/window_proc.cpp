#include "app/window_proc.h"

#include "core/scene_state.h"

MessageOutcome DecideWindowMessage(uint32_t message, uintptr_t wParam) {
    if (message == MessageKeyDown) {
        // Key-down messages never reach the default handling, whatever the key.
        if (wParam == KeySpace) {
            Scene.fullSpeed = static_cast<uint8_t>(~Scene.fullSpeed & 1);
            return MessageOutcome::Handled;
        }
        if (wParam == KeyEscape) return MessageOutcome::QuitRequested;
        return MessageOutcome::Handled;
    }
    // Escape does not destroy the window; the close box does, through the
    // default handling of WM_CLOSE, and that destruction ends the run.
    if (message == MessageDestroy) return MessageOutcome::QuitRequested;
    return MessageOutcome::NotMine;
}
