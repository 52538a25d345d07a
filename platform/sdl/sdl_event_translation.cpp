#include "platform/sdl/sdl_event_translation.h"

#include "platform/window_messages.h"

namespace {

constexpr uint32_t NoMessage = 0;  // an event the window rule never sees

uintptr_t VirtualKeyOf(SDL_Keycode key) {
    if (key == SDLK_SPACE) return KeySpace;
    if (key == SDLK_ESCAPE) return KeyEscape;
    return KeyOther;
}

}  // namespace

WindowMessage TranslateEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
            // Held keys repeat, as WM_KEYDOWN does on Windows.
            return {MessageKeyDown, VirtualKeyOf(event.key.keysym.sym)};
        case SDL_QUIT:
            return {MessageDestroy, 0};
        case SDL_WINDOWEVENT:
            // The close box (WM_DELETE_WINDOW under X11) of our one window.
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) return {MessageDestroy, 0};
            return {NoMessage, 0};
        default:
            return {NoMessage, 0};
    }
}
