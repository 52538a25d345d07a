#include "platform/sdl/sdl_window_updates.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

std::mutex UpdateMutex;
std::condition_variable UpdateChanged;
SDL_Window* PendingWindow = nullptr;  // the window to update; nullptr once done
bool Stopping = false;
std::thread Updater;

void RunUpdates() {
    std::unique_lock<std::mutex> lock(UpdateMutex);
    for (;;) {
        UpdateChanged.wait(lock, [] { return PendingWindow != nullptr || Stopping; });
        if (PendingWindow == nullptr) return;  // stopping, nothing left to show
        SDL_Window* window = PendingWindow;
        lock.unlock();
        SDL_UpdateWindowSurface(window);
        lock.lock();
        PendingWindow = nullptr;
        UpdateChanged.notify_all();
    }
}

// SDL's video calls belong on the thread that made the window. X11 is the
// exception that matters here: there the update is a shared-memory image put
// and a wait on the program's own display connection, safe from another
// thread while no other thread is in SDL. Elsewhere (macOS, or a surface
// drawn through a renderer as under Wayland) the update stays in place, as
// it does when no thread can be had. Decided at the first update.
bool UpdatesInBackground() {
    enum class Mode { Undecided, InPlace, Background };
    static Mode mode = Mode::Undecided;
    if (mode == Mode::Undecided) {
        const char* driver = SDL_GetCurrentVideoDriver();
        mode = Mode::InPlace;
        if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
            try {
                Updater = std::thread(RunUpdates);
                mode = Mode::Background;
            } catch (const std::system_error&) {
                // no thread to be had: every update in place
            }
        }
    }
    return mode == Mode::Background;
}

}  // namespace

void StartWindowUpdate(SDL_Window* window) {
    FinishWindowUpdate();
    if (!UpdatesInBackground()) {
        SDL_UpdateWindowSurface(window);
        return;
    }
    std::lock_guard<std::mutex> lock(UpdateMutex);
    PendingWindow = window;
    UpdateChanged.notify_all();
}

void FinishWindowUpdate() {
    std::unique_lock<std::mutex> lock(UpdateMutex);
    UpdateChanged.wait(lock, [] { return PendingWindow == nullptr; });
}

void StopWindowUpdates() {
    if (!Updater.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(UpdateMutex);
        Stopping = true;
        UpdateChanged.notify_all();
    }
    Updater.join();
}
