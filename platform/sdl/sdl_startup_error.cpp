// The SDL shell's start-up error: stderr and SDL's message box, which needs
// no window of the program's own and no SDL_Init.
#include <SDL.h>

#include <cstdio>

#include "platform/startup_error.h"

void ShowStartupError(const char* line) {
    std::fprintf(stderr, "velmora: %s\n", line);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", line, nullptr);
}
