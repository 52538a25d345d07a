// The window shell in a browser: the canvas is the window, its size follows
// the window's rule from the page's visible size, frames are put on it 1:1,
// and key presses wait in a queue until the frame loop takes one per frame,
// as window messages do. The page side lives in web_page.js.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>
#include <cstring>

#include "platform/shell.h"
#include "platform/web/web_page.h"

extern "C" {
// web_page.js
int VelmoraPageWidth();
int VelmoraPageHeight();
int VelmoraOpenCanvas(int width, int height, const char* title);
void VelmoraPresent(const uint32_t* rgba, int width, int height);
void VelmoraRequestPause();
void VelmoraShowMessage(const char* text);
void VelmoraShowNote(const char* text);
void VelmoraShowStill(uint32_t frame);
void VelmoraRunFrameLoop();
int VelmoraStillFrameQuery();
}

namespace {

// Browsers refuse canvases with a side longer than this; it also keeps
// width * height * 4 well inside a 32-bit size.
constexpr int MaxCanvasSide = 16384;

// Key presses that arrive while frames are drawn: the loop takes one per
// frame. A burst beyond this is dropped, as a full message queue drops it.
constexpr int MessageQueueCapacity = 64;

struct QueuedMessage {
    uint32_t message;
    uintptr_t wParam;
};

WindowRule Rule = nullptr;
QueuedMessage Queue[MessageQueueCapacity];
int QueueHead = 0;
int QueueCount = 0;

// The canvas takes bytes red, green, blue, alpha; ColorBuffer words hold
// blue, green, red, unused. Converted here, once per frame, into this buffer
// of the canvas's size, allocated when the canvas is made.
uint32_t* CanvasPixels = nullptr;

FramePass StoredPass = nullptr;

EM_BOOL QueueKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    // A browser's keyCode is the Windows virtual-key code of the key.
    const uintptr_t key = event->keyCode;
    if (QueueCount < MessageQueueCapacity) {
        Queue[(QueueHead + QueueCount) % MessageQueueCapacity] = QueuedMessage{MessageKeyDown, key};
        ++QueueCount;
    }
    // Space would scroll the page and Escape stop its loading; other keys
    // keep their browser meaning (reload, zoom, ...).
    return key == KeySpace || key == KeyEscape;
}

void ToCanvasOrder(const uint32_t* pixels, uint32_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = pixels[i];  // 0x00RRGGBB
        out[i] = ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16) | 0xFF000000u;
    }
}

}  // namespace

bool StartShell(WindowRule rule) {
    Rule = rule;
    return emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, QueueKeyDown) ==
           EMSCRIPTEN_RESULT_SUCCESS;
}

ScreenSize GetScreenSize() { return ScreenSize{VelmoraPageWidth(), VelmoraPageHeight()}; }

bool OpenWindow(int width, int height) {
    // A page smaller than the margin wraps the 16-bit sizes to huge ones.
    if (width < 2 || height < 2 || width > MaxCanvasSide || height > MaxCanvasSide) return false;
    CanvasPixels = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(width) * height * 4));
    return CanvasPixels != nullptr && VelmoraOpenCanvas(width, height, WindowTitle) != 0;
}

void* AllocatePixelBuffer(size_t bytes) {
    // Cleared 16 bytes at a time with aligned stores.
    constexpr size_t Alignment = 16;
    void* buffer = std::aligned_alloc(Alignment, (bytes + Alignment - 1) / Alignment * Alignment);
    if (buffer != nullptr) std::memset(buffer, 0, bytes);
    return buffer;
}

void ReportStartupFailure() { VelmoraShowMessage("Startup failed."); }

void PresentFrame(const uint32_t* pixels, int width, int height) {
    ToCanvasOrder(pixels, CanvasPixels, static_cast<size_t>(width) * height);
    VelmoraPresent(CanvasPixels, width, height);
}

void PauseBetweenFrames() { VelmoraRequestPause(); }

bool PumpOneMessage(int* quitCode) {
    if (QueueCount == 0) return true;
    const QueuedMessage taken = Queue[QueueHead];
    QueueHead = (QueueHead + 1) % MessageQueueCapacity;
    --QueueCount;
    if (Rule(taken.message, taken.wParam) == MessageOutcome::QuitRequested) {
        *quitCode = 0;
        return false;
    }
    return true;
}

void CloseShellAndExit(int exitCode) {
    if (exitCode != 0) VelmoraShowMessage("Startup failed.");
    // The page stays as it is; the runtime lives on for what it shows.
    emscripten_exit_with_live_runtime();
}

// Called by web_page.js for each pass of the frame loop.
extern "C" EMSCRIPTEN_KEEPALIVE int VelmoraFramePass() {
    int quitCode = 0;
    if (StoredPass(&quitCode)) return 1;
    VelmoraShowNote("Stopped (Escape). Reload the page to start again.");
    return 0;
}

void RunFrameLoopInBrowser(FramePass pass) {
    StoredPass = pass;
    VelmoraRunFrameLoop();
}

bool StillFrameRequested(uint32_t* frame) {
    const int query = VelmoraStillFrameQuery();  // -1: none, -2: unusable, else K
    if (query == -2) VelmoraShowNote("?frame= takes a whole number from 0 to 999999; showing the animation.");
    if (query < 0) return false;
    *frame = static_cast<uint32_t>(query);
    return true;
}

void ShowStillFrameNote(uint32_t frame) { VelmoraShowStill(frame); }
