// The window shell in a browser: the canvas is the window, its size follows
// the window's rule from the page's visible size, frames are put on it 1:1,
// and key presses wait in a queue until the frame loop takes one per frame,
// as window messages do. The program's side of the page lives in
// web_page.js, the page's own in page_side.js.
#include <emscripten.h>
#include <wasm_simd128.h>

#include <cstdlib>
#include <cstring>

#include "platform/shell.h"
#include "platform/web/web_page.h"

extern "C" {
// web_page.js
int VelmoraPageWidth();
int VelmoraPageHeight();
int VelmoraOpenCanvas(int width, int height, const char* title);
void VelmoraPresent(const uint32_t* rgba, int width, int height, int32_t* busy);
void VelmoraWaitUntilTaken(int32_t* busy);
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
// blue, green, red, unused. Converted here, once per frame, into one of two
// buffers of the canvas's size, allocated when the canvas is made: while the
// page copies one frame onto the canvas, the next is drawn and converted into
// the other. Busy[i] is 1 from the handover of buffer i until the page has
// taken it (it is shared with the page's thread, which clears it).
constexpr int CanvasBufferCount = 2;
uint32_t* CanvasPixels[CanvasBufferCount] = {};
alignas(4) int32_t Busy[CanvasBufferCount] = {};
int NextBuffer = 0;

FramePass StoredPass = nullptr;

uint32_t CanvasOrder(uint32_t p) {  // 0x00RRGGBB
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16) | 0xFF000000u;
}

// Four pixels at a time: bytes blue, green, red, unused become red, green,
// blue, and the alpha byte is set.
void ToCanvasOrder(const uint32_t* pixels, uint32_t* out, size_t count) {
    const v128_t order = wasm_i8x16_const(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
    const v128_t opaque = wasm_i32x4_const_splat(static_cast<int32_t>(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const v128_t bgrx = wasm_v128_load(pixels + i);
        wasm_v128_store(out + i, wasm_v128_or(wasm_i8x16_swizzle(bgrx, order), opaque));
    }
    for (; i < count; ++i) out[i] = CanvasOrder(pixels[i]);
}

}  // namespace

// Called by the page for each key press (its keyCode, the Windows
// virtual-key code of the key).
extern "C" EMSCRIPTEN_KEEPALIVE void VelmoraQueueKey(int key) {
    if (QueueCount == MessageQueueCapacity) return;
    Queue[(QueueHead + QueueCount) % MessageQueueCapacity] = QueuedMessage{MessageKeyDown, static_cast<uintptr_t>(key)};
    ++QueueCount;
}

bool StartShell(WindowRule rule) {
    Rule = rule;
    return true;
}

ScreenSize GetScreenSize() { return ScreenSize{VelmoraPageWidth(), VelmoraPageHeight()}; }

bool OpenWindow(int width, int height) {
    // A page smaller than the margin wraps the 16-bit sizes to huge ones.
    if (width < 2 || height < 2 || width > MaxCanvasSide || height > MaxCanvasSide) return false;
    for (uint32_t*& buffer : CanvasPixels) {
        buffer = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(width) * height * 4));
        if (buffer == nullptr) return false;
    }
    return VelmoraOpenCanvas(width, height, WindowTitle) != 0;
}

void* AllocatePixelBuffer(size_t bytes) {
    // Cleared 16 bytes at a time with aligned stores.
    constexpr size_t Alignment = 16;
    void* buffer = std::aligned_alloc(Alignment, (bytes + Alignment - 1) / Alignment * Alignment);
    if (buffer != nullptr) std::memset(buffer, 0, bytes);
    return buffer;
}

void ReportStartupFailure() { VelmoraShowMessage("Startup failed."); }

// The canvas takes its bytes in another order: every frame is converted anyway.
uint32_t* WindowImagePixels(int, int) { return nullptr; }

void PresentFrame(const uint32_t* pixels, int width, int height) {
    const int buffer = NextBuffer;
    NextBuffer = (NextBuffer + 1) % CanvasBufferCount;
    VelmoraWaitUntilTaken(&Busy[buffer]);
    ToCanvasOrder(pixels, CanvasPixels[buffer], static_cast<size_t>(width) * height);
    __atomic_store_n(&Busy[buffer], 1, __ATOMIC_SEQ_CST);
    VelmoraPresent(CanvasPixels[buffer], width, height, &Busy[buffer]);
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
