// RunDemo over a recording shell: the start-up order, the frame loop's one
// message per frame, the idle pause, the frame counter's wrap, and the
// start-up failures that must end with a non-zero exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_demo.h"
#include "core/scene_state.h"
#include "platform/shell.h"
#include "tests/integration/fake_shell.h"

namespace {

using Calls = std::vector<std::string>;

// 340x250 screen -> 330x240 window: small enough for hundreds of frames.
const std::string SmallWindow = "OpenWindow 330x240";
const std::string SmallBuffer = "AllocatePixelBuffer " + std::to_string(330 * 240 * 4);

int RunUntilExit(const FakeShellSetup& setup) {
    Scene = InitialSceneState();
    ResetFakeShell(setup);
    try {
        RunDemo();
    } catch (const ShellExit& exit) {
        return exit.code;
    }
    ADD_FAILURE() << "RunDemo returned";
    return -1;
}

Calls StartupCalls() {
    return {"StartShell", "GetScreenSize", SmallWindow, SmallBuffer, SmallBuffer, SmallBuffer};
}

TEST(RunDemo, StartsUpInOrderThenPresentsEachFrameBeforeItsOneMessage) {
    FakeShellSetup setup;
    setup.messages = {ScriptedMessage::None, ScriptedMessage::None};
    EXPECT_EQ(RunUntilExit(setup), 0);

    Calls expected = StartupCalls();
    for (int frame = 0; frame < 3; ++frame) {
        expected.push_back("PresentFrame");
        expected.push_back("PumpOneMessage");
    }
    expected.push_back("CloseShellAndExit 0");
    EXPECT_EQ(FakeShellCalls(), expected);
    // The scene was prepared between the buffers and the first frame.
    EXPECT_GT(Scene.vertexCount, 0);
    EXPECT_GT(Scene.faceCount, 0);
}

TEST(RunDemo, PresentsTheRenderedModelWithTheCounterAlreadyAdvanced) {
    FakeShellSetup setup;
    setup.messages = {ScriptedMessage::None, ScriptedMessage::None};
    RunUntilExit(setup);
    const std::vector<PresentedFrame>& frames = FakeShellFrames();
    ASSERT_EQ(frames.size(), 3u);
    for (size_t i = 0; i < frames.size(); ++i) {
        // The first frame is drawn with counter 0 and presented after the advance.
        EXPECT_EQ(frames[i].frameCounter, i + 1);
        // Whole buffer handed over, and the model is in it (not a cleared buffer).
        EXPECT_GT(frames[i].litPixels, 330 * 240 / 50) << "frame " << i;
    }
}

// Where the shell keeps an image of the window in the frame's shape, frames
// are drawn straight into it; once it has none (a window manager resized the
// window), into the program's own buffer again. The pictures are the same.
TEST(RunDemo, DrawsIntoTheWindowImageWhileTheShellOffersOne) {
    FakeShellSetup setup;
    setup.messages.assign(3, ScriptedMessage::None);
    RunUntilExit(setup);
    const std::vector<PresentedFrame> ownBuffer = FakeShellFrames();
    setup.windowImageFrames = 2;
    RunUntilExit(setup);
    const std::vector<PresentedFrame>& frames = FakeShellFrames();
    ASSERT_EQ(frames.size(), 4u);
    ASSERT_EQ(ownBuffer.size(), 4u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_FALSE(ownBuffer[i].fromWindowImage) << i;
        EXPECT_EQ(frames[i].fromWindowImage, i < 2) << i;
        EXPECT_GT(frames[i].litPixels, 330 * 240 / 50) << i;
        EXPECT_EQ(frames[i].checksum, ownBuffer[i].checksum) << i;
    }
}

TEST(RunDemo, SpacePausesAfterEveryLaterFrameUntilTheNextSpace) {
    FakeShellSetup setup;
    setup.messages = {ScriptedMessage::Space, ScriptedMessage::None, ScriptedMessage::Space,
                      ScriptedMessage::None};
    EXPECT_EQ(RunUntilExit(setup), 0);

    Calls expected = StartupCalls();
    const bool pausedAfterFrame[] = {false, true, true, false, false};
    for (bool paused : pausedAfterFrame) {
        expected.push_back("PresentFrame");
        if (paused) expected.push_back("PauseBetweenFrames");
        expected.push_back("PumpOneMessage");
    }
    expected.push_back("CloseShellAndExit 0");
    EXPECT_EQ(FakeShellCalls(), expected);
}

TEST(RunDemo, FrameCounterWrapsToZeroAfter512Frames) {
    FakeShellSetup setup;
    setup.messages.assign(513, ScriptedMessage::None);
    RunUntilExit(setup);
    const std::vector<PresentedFrame>& frames = FakeShellFrames();
    ASSERT_EQ(frames.size(), 514u);
    EXPECT_EQ(frames[510].frameCounter, 511u);
    EXPECT_EQ(frames[511].frameCounter, 0u);
    EXPECT_EQ(frames[512].frameCounter, 1u);
    EXPECT_EQ(Scene.frameCounter, 2u);
}

TEST(RunDemo, QuitCodeOfTheMessageBecomesTheExitCode) {
    FakeShellSetup setup;
    setup.quitCode = 7;
    EXPECT_EQ(RunUntilExit(setup), 7);
}

TEST(RunDemo, FailedAllocationIsReportedAndEndsWithANonZeroCode) {
    for (int failing = 0; failing < 3; ++failing) {
        FakeShellSetup setup;
        setup.failingAllocation = failing;
        EXPECT_EQ(RunUntilExit(setup), StartupFailedExitCode) << failing;
        Calls expected = StartupCalls();
        expected.push_back("ReportStartupFailure");
        expected.push_back("CloseShellAndExit " + std::to_string(StartupFailedExitCode));
        EXPECT_EQ(FakeShellCalls(), expected) << failing;
        EXPECT_EQ(Scene.vertexCount, 0) << "the scene was prepared after a failed start";
    }
}

TEST(RunDemo, WindowThatCannotBeMadeIsAStartupFailure) {
    FakeShellSetup setup;
    setup.windowOpens = false;
    EXPECT_EQ(RunUntilExit(setup), StartupFailedExitCode);
    Calls expected = {"StartShell", "GetScreenSize", SmallWindow, "ReportStartupFailure",
                      "CloseShellAndExit " + std::to_string(StartupFailedExitCode)};
    EXPECT_EQ(FakeShellCalls(), expected);
}

TEST(RunDemo, NoDisplayEndsAtOnceWithANonZeroCode) {
    FakeShellSetup setup;
    setup.displayPresent = false;
    EXPECT_EQ(RunUntilExit(setup), StartupFailedExitCode);
    Calls expected = {"StartShell", "CloseShellAndExit " + std::to_string(StartupFailedExitCode)};
    EXPECT_EQ(FakeShellCalls(), expected);
}

}  // namespace
