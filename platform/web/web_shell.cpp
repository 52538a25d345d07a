// The window shell in a browser: the canvas is the window, its size follows
// the window's rule from the page's visible size, frames are put on it 1:1,
// key presses wait in a queue until the frame loop takes one per frame, as
// window messages do, and files dropped on the page wait until the frame loop
// comes by between two frames. What it asks of the page is in web_page.js.
//
// The threaded page runs this on a worker of its own (the program's main
// thread; the page's thread only presents), the single-threaded page on the
// page's thread: the same calls either way.
#include <emscripten.h>
#include <emscripten/threading.h>
#include <wasm_simd128.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/shell.h"
#include "platform/web/band_threads_web.h"
#include "platform/web/web_page.h"

extern "C" {
// web_page.js: the page's side, on the page's thread.
int VelmoraPageWidth();
int VelmoraPageHeight();
int VelmoraOpenCanvas(int width, int height, const char* title);
int VelmoraWatchFrames(uint32_t* const* pixels, int32_t* busy, const double* reports, int reportBytes, int count,
                       int width, int height);
void VelmoraPresent(const uint32_t* rgba, int width, int height, int32_t* busy, const double* report);
void VelmoraShowMessage(const char* text);
void VelmoraShowNote(const char* text);
void VelmoraShowStill(uint32_t frame);
int VelmoraStillFrameQuery(char* value, int capacity);
void VelmoraAnswerDrop(uint32_t offer, const char* problem);
// web_page.js: the scheduler of the frame loop's passes, on the calling thread.
void VelmoraRunFrameLoop(int idlePauseMs);
void VelmoraRequestPause();
}

namespace {

// Browsers refuse canvases with a side longer than this; it also keeps
// width * height * 4 well inside a 32-bit size.
constexpr int MaxCanvasSide = 16384;

// Key presses that arrive while frames are drawn: the loop takes one per
// frame. A burst beyond this is dropped, as a full message queue drops it.
constexpr uint32_t MessageQueueCapacity = 64;
// The counts below wrap at 2^32, which must stay a multiple of the capacity.
static_assert((MessageQueueCapacity & (MessageQueueCapacity - 1)) == 0, "a power of two");

struct QueuedMessage {
    uint32_t message;
    uintptr_t wParam;
};

WindowRule Rule = nullptr;

// One writer (the page's thread, VelmoraQueueKey) and one reader (the frame
// loop, PumpOneMessage); each moves only its own count, and a message is
// written before the count that shows it.
QueuedMessage Queue[MessageQueueCapacity];
uint32_t MessagesWritten = 0;
uint32_t MessagesRead = 0;

// Handed to the page with every frame: the frame loop's time since the
// start, in ms, split as the benchmark splits a frame (the calling thread's
// serial part: clear, transform, pre-pass, handover; and each band), and
// which picture the frame is: how many times the user's files have changed
// the scene before it, and its frame number in that scene's animation (frame
// K of velmora-render). The page reads the six doubles in this order.
struct FrameReport {
    double pass, serial, band[2];
    double sceneChanges, frame;
};
static_assert(sizeof(FrameReport) == 6 * sizeof(double), "read by web_page.js as six doubles");
FrameReport Report{};

// The canvas takes bytes red, green, blue, alpha; ColorBuffer words hold
// blue, green, red, unused. Converted here, once per frame, into one of two
// buffers of the canvas's size, allocated when the canvas is made: while the
// page copies one frame onto the canvas, the next is drawn and converted into
// the other. Busy[i] is 1 from the handover of buffer i until the page has
// taken it (the page's thread clears it and wakes the waiter); HandedReports[i]
// goes with it.
constexpr int CanvasBufferCount = 2;
uint32_t* CanvasPixels[CanvasBufferCount] = {};
alignas(4) int32_t Busy[CanvasBufferCount] = {};
FrameReport HandedReports[CanvasBufferCount] = {};
int NextBuffer = 0;
// The page takes frames as their busy words change, not by a call per frame.
bool PageWatchesFrames = false;

FramePass StoredPass = nullptr;
SceneChange StoredChange = nullptr;

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

// Sleeps until the page has taken the frame last handed over in buffer i. On
// the page's own thread the page took it at once, so this never waits there.
void WaitUntilTaken(int i) {
    while (__atomic_load_n(&Busy[i], __ATOMIC_ACQUIRE) != 0) emscripten_futex_wait(&Busy[i], 1, INFINITY);
}

void AddPassToTotals(double passMs) {
    const ForkJoinTimes bands = LastForkJoinTimes();
    Report.pass += passMs;
    Report.serial += passMs - bands.forkToJoinMs;
    Report.band[0] += bands.bandMs[0];
    Report.band[1] += bands.bandMs[1];
}

// A drop left by the page since the last pass becomes the scene, or is
// refused with the sentence the page then shows. Either way the page hears
// of it, and has read the sentence when the answer returns. Outside the
// pass's time: building a scene is not drawing a frame.
void ChangeSceneIfDropped() {
    DroppedFiles* drop = TakeDroppedFiles();
    if (drop == nullptr) return;
    const std::string problem = StoredChange(*drop);
    if (problem.empty()) {
        Report.sceneChanges += 1;
        Report.frame = 0;
    }
    VelmoraAnswerDrop(drop->offer, problem.empty() ? nullptr : problem.c_str());
    FreeDroppedFiles(drop);
}

// A whole number from 0 to MaxStillFrame in decimal digits only.
bool ParseStillFrame(const char* text, int length, uint32_t* frame) {
    constexpr int MaxDigits = 9;  // keeps the value inside 32 bits before the range check
    if (length < 1 || length > MaxDigits) return false;
    uint32_t value = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    if (value > MaxStillFrame) return false;
    *frame = value;
    return true;
}

}  // namespace

// Called by the page's thread for each key press (its keyCode, the Windows
// virtual-key code of the key).
extern "C" EMSCRIPTEN_KEEPALIVE void VelmoraQueueKey(int key) {
    const uint32_t written = MessagesWritten;
    if (written - __atomic_load_n(&MessagesRead, __ATOMIC_ACQUIRE) == MessageQueueCapacity) return;
    Queue[written % MessageQueueCapacity] = QueuedMessage{MessageKeyDown, static_cast<uintptr_t>(key)};
    __atomic_store_n(&MessagesWritten, written + 1, __ATOMIC_RELEASE);
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
    if (VelmoraOpenCanvas(width, height, WindowTitle) == 0) return false;
    PageWatchesFrames = VelmoraWatchFrames(CanvasPixels, Busy, &HandedReports[0].pass, sizeof(FrameReport),
                                           CanvasBufferCount, width, height) != 0;
    return true;
}

void* AllocatePixelBuffer(size_t bytes) {
    // Cleared 16 bytes at a time with aligned stores.
    constexpr size_t Alignment = 16;
    void* buffer = std::aligned_alloc(Alignment, (bytes + Alignment - 1) / Alignment * Alignment);
    if (buffer != nullptr) std::memset(buffer, 0, bytes);
    return buffer;
}

void ReportStartupFailure() { VelmoraShowMessage(StartupFailedText); }

// The canvas takes its bytes in another order: every frame is converted anyway.
uint32_t* WindowImagePixels(int, int) { return nullptr; }

void PresentFrame(const uint32_t* pixels, int width, int height) {
    const int buffer = NextBuffer;
    NextBuffer = (NextBuffer + 1) % CanvasBufferCount;
    WaitUntilTaken(buffer);
    ToCanvasOrder(pixels, CanvasPixels[buffer], static_cast<size_t>(width) * height);
    HandedReports[buffer] = Report;
    __atomic_store_n(&Busy[buffer], 1, __ATOMIC_RELEASE);
    if (PageWatchesFrames) {
        emscripten_futex_wake(&Busy[buffer], INT_MAX);
    } else {
        VelmoraPresent(CanvasPixels[buffer], width, height, &Busy[buffer], &HandedReports[buffer].pass);
    }
}

void PauseBetweenFrames() { VelmoraRequestPause(); }

bool PumpOneMessage(int* quitCode) {
    const uint32_t read = MessagesRead;
    if (read == __atomic_load_n(&MessagesWritten, __ATOMIC_ACQUIRE)) return true;
    const QueuedMessage taken = Queue[read % MessageQueueCapacity];
    __atomic_store_n(&MessagesRead, read + 1, __ATOMIC_RELEASE);
    if (Rule(taken.message, taken.wParam) == MessageOutcome::QuitRequested) {
        *quitCode = 0;
        return false;
    }
    return true;
}

void ReturnToBrowser() { emscripten_exit_with_live_runtime(); }

// A failed start was already said on the page (ReportStartupFailure); the
// page keeps showing it.
void CloseShellAndExit(int) { ReturnToBrowser(); }

// Called by web_page.js for each pass of the frame loop.
extern "C" EMSCRIPTEN_KEEPALIVE int VelmoraFramePass() {
    ChangeSceneIfDropped();
    const double start = emscripten_get_now();
    int quitCode = 0;
    const bool going = StoredPass(&quitCode);
    AddPassToTotals(emscripten_get_now() - start);
    Report.frame += 1;
    if (going) return 1;
    VelmoraShowNote("Stopped (Escape). Reload the page to start again.");
    return 0;
}

void RunFrameLoopInBrowser(FramePass pass, SceneChange change) {
    StoredPass = pass;
    StoredChange = change;
    VelmoraRunFrameLoop(IdlePauseMs);
    ReturnToBrowser();
}

bool StillFrameRequested(uint32_t* frame) {
    char value[16];
    const int length = VelmoraStillFrameQuery(value, sizeof value);  // -1: no ?frame=
    if (length < 0) return false;
    if (length < static_cast<int>(sizeof value) && ParseStillFrame(value, length, frame)) {
        Report.frame = *frame;
        return true;
    }
    // Kept for the page, which may read it after this returns.
    static char note[96];
    std::snprintf(note, sizeof note, "?frame= takes a whole number from 0 to %u; showing the animation.",
                  static_cast<unsigned>(MaxStillFrame));
    VelmoraShowNote(note);
    return false;
}

void ShowStillFrameNote(uint32_t frame) { VelmoraShowStill(frame); }
