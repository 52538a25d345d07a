#include "app/run_demo.h"

#include <string>

#include "app/frame_sequence.h"
#include "app/scene_files.h"
#include "app/scene_setup.h"
#include "app/speed_stats.h"
#include "app/window_proc.h"
#include "core/scene_state.h"
#include "platform/shell.h"
#include "render/frame_pipeline.h"

namespace {

// ColorBuffer as allocated at start-up: the frame is drawn there whenever the
// shell has no window image to draw it in.
uint32_t* OwnColorBuffer = nullptr;

// Draws the next frame straight into the window's image where the shell keeps
// one of the frame's shape, so that presenting it copies nothing (under X11
// the copy into that image costs about as much as the X server's own copy);
// into ColorBuffer otherwise. Every band clears its rows first, so nothing
// depends on which buffer the last frame went to.
void ChooseFrameBuffer() {
    uint32_t* windowImage = WindowImagePixels(Scene.width, Scene.height);
    Scene.colorBuffer = windowImage != nullptr ? windowImage : OwnColorBuffer;
}

}  // namespace

void StartDemo(const SceneFiles* files) {
    if (!StartShell(DecideWindowMessage)) CloseShellAndExit(StartupFailedExitCode);
    ScreenSize screen = GetScreenSize();
    SetSceneSize(screen.width, screen.height);
    bool windowOpen = OpenWindow(Scene.width, Scene.height);
    if (!windowOpen || !AllocateSceneBuffers(AllocatePixelBuffer)) {
        ReportStartupFailure();
        // A failed start is reported to the caller as a failure, not as 0.
        CloseShellAndExit(StartupFailedExitCode);
    }
    OwnColorBuffer = Scene.colorBuffer;
    std::string error;
    if (files == nullptr)
        PrepareScene();
    else if (!InstallScene(*files, error)) {  // checked before the window opened: not expected
        ReportStartupFailure();
        CloseShellAndExit(StartupFailedExitCode);
    }
    OpenSpeedStats();
}

bool RunFramePass(int* quitCode) {
    ChooseFrameBuffer();
    RenderFrame();
    AdvanceFrame();
    PresentFrame(Scene.colorBuffer, Scene.width, Scene.height);
    if (Scene.fullSpeed != 1) PauseBetweenFrames();
    RecordFrameForStats();
    return PumpOneMessage(quitCode);
}

void ShowStillFrame(uint32_t frame) {
    SeekFrame(frame);
    ChooseFrameBuffer();
    RenderFrame();
    PresentFrame(Scene.colorBuffer, Scene.width, Scene.height);
}

void RunDemo(const SceneFiles* files) {
    StartDemo(files);
    // Render, present, maybe pause, then at most one message, until the quit.
    int quitCode = 0;
    while (RunFramePass(&quitCode)) {
    }
    CloseShellAndExit(quitCode);
}
