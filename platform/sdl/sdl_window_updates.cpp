#include "platform/sdl/sdl_window_updates.h"

#include <condition_variable>
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

}  // namespace

void StartWindowUpdate(SDL_Window* window) {
    FinishWindowUpdate();
    if (!Updater.joinable()) {
        try {
            Updater = std::thread(RunUpdates);
        } catch (const std::system_error&) {
            SDL_UpdateWindowSurface(window);  // no thread to be had: update in place
            return;
        }
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
