#include "app/run_demo.h"

#include <cstddef>
#include <cstdint>

#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "app/speed_stats.h"
#include "platform/shell.h"
#include "render/frame_pipeline.h"

namespace {

// ColorBuffer, then ShadeDepth, then PrepassDepth, each width x height 32-bit
// words; the size is computed once from the 16-bit sizes. False if any failed.
bool AllocateSceneBuffers() {
    constexpr size_t BytesPerWord = 4;  // a pixel, or a depth, is one 32-bit word
    size_t bytes = size_t{Scene.width} * size_t{Scene.height} * BytesPerWord;
    Scene.colorBuffer = static_cast<uint32_t*>(AllocatePixelBuffer(bytes));
    Scene.shadeDepth = static_cast<float*>(AllocatePixelBuffer(bytes));
    Scene.prepassDepth = static_cast<float*>(AllocatePixelBuffer(bytes));
    return Scene.colorBuffer != nullptr && Scene.shadeDepth != nullptr &&
           Scene.prepassDepth != nullptr;
}

}  // namespace

void RunDemo() {
    if (!StartShell()) CloseShellAndExit(StartupFailedExitCode);
    ScreenSize screen = GetScreenSize();
    SetSceneSize(screen.width, screen.height);
    bool windowOpen = OpenWindow(Scene.width, Scene.height);
    if (!windowOpen || !AllocateSceneBuffers()) {
        ReportStartupFailure();
        // A failed start is reported to the caller as a failure, not as 0.
        CloseShellAndExit(StartupFailedExitCode);
    }
    PrepareScene();
    OpenSpeedStats();

    // Render, present, maybe pause, then at most one message, until the quit.
    int quitCode = 0;
    do {
        RenderFrame();
        Scene.frameCounter = (Scene.frameCounter + 1) & FrameCounterMask;
        PresentFrame(Scene.colorBuffer, Scene.width, Scene.height);
        if (Scene.fullSpeed != 1) PauseBetweenFrames();
        RecordFrameForStats();
    } while (PumpOneMessage(&quitCode));
    CloseShellAndExit(quitCode);
}
