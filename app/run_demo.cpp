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
    RenderFrame();
    AdvanceFrame();
    PresentFrame(Scene.colorBuffer, Scene.width, Scene.height);
    if (Scene.fullSpeed != 1) PauseBetweenFrames();
    RecordFrameForStats();
    return PumpOneMessage(quitCode);
}

void ShowStillFrame(uint32_t frame) {
    SeekFrame(frame);
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
