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

namespace {

// The frame whose pre-pass has run, drawn by the band workers into the window
// image or ColorBuffer.
void DrawPreparedFrame() {
    ChooseFrameBuffer();
    DrawFrameBands();
}

// The rest of a pass once its frame is drawn: advance, present, pause at idle
// speed, then at most one message. With prepareNext, the next frame's
// pre-pass runs right after the present: it touches none of the pixels being
// shown, and no window message changes what a frame shows, so it overlaps
// the window system's copy of the frame where the shell lets that finish in
// the background (the SDL shell: the X server copies the frame on the second
// processor, which the pre-pass leaves free).
bool FinishFramePass(int* quitCode, bool prepareNext) {
    AdvanceFrame();
    PresentFrame(Scene.colorBuffer, Scene.width, Scene.height);
    if (prepareNext) PrepareFrame();
    if (Scene.fullSpeed != 1) PauseBetweenFrames();
    RecordFrameForStats();
    return PumpOneMessage(quitCode);
}

}  // namespace

bool RunFramePass(int* quitCode) {
    PrepareFrame();
    DrawPreparedFrame();
    return FinishFramePass(quitCode, false);
}

void ShowStillFrame(uint32_t frame) {
    SeekFrame(frame);
    ChooseFrameBuffer();
    RenderFrame();
    PresentFrame(Scene.colorBuffer, Scene.width, Scene.height);
}

void RunDemo(const SceneFiles* files) {
    StartDemo(files);
    // Render, present, maybe pause, then at most one message, until the quit;
    // each frame's pre-pass runs before the last frame's pause and message.
    int quitCode = 0;
    PrepareFrame();
    do DrawPreparedFrame();
    while (FinishFramePass(&quitCode, true));
    CloseShellAndExit(quitCode);
}
