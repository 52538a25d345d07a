// RunDemo over a recording shell: the start-up order, the frame loop's one
// message per frame, the idle pause, the frame counter's wrap, and the
// start-up failures that must end with a non-zero exit code; the command line
// with the user's files, told before any window opens when one cannot be used.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <cstdio>
#include <filesystem>

#include "app/demo_command_line.h"
#include "app/frame_sequence.h"
#include "app/run_demo.h"
#include "assets/embedded_data.h"
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

// The program after main, to its exit code: returned, or ended by the shell.
int RunCommandLine(const std::vector<std::string>& args, const FakeShellSetup& setup = {}) {
    Scene = InitialSceneState();
    ResetFakeShell(setup);
    try {
        return RunDemoFromCommandLine(args);
    } catch (const ShellExit& exit) {
        return exit.code;
    }
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

// The loop runs each frame's pre-pass while the frame before is still being
// presented, before that frame's pause and message: every frame it presents
// is still, to the byte, the frame the headless tool draws.
TEST(RunDemo, PresentsExactlyTheFramesOfTheFrameSequence) {
    FakeShellSetup setup;
    setup.messages = {ScriptedMessage::None, ScriptedMessage::Space, ScriptedMessage::None,
                      ScriptedMessage::Space, ScriptedMessage::None};
    RunUntilExit(setup);
    const std::vector<PresentedFrame> presented = FakeShellFrames();
    ASSERT_EQ(presented.size(), 6u);
    const size_t pixels = static_cast<size_t>(Scene.width) * Scene.height;
    WalkFrames(0, 5, [&](uint32_t frame) {
        EXPECT_EQ(presented[frame].checksum, PixelChecksum(Scene.colorBuffer, pixels)) << "frame " << frame;
        return true;
    });
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

TEST(DemoCommandLine, TakesABarePathAsTheModelAndRefusesWhatItCannotUse) {
    DemoCommandLine line;
    std::string error;
    ASSERT_TRUE(ParseDemoCommandLine({"C:\\models\\tv.3ds"}, line, error));
    EXPECT_EQ(line.files.model, "C:\\models\\tv.3ds");
    ASSERT_TRUE(ParseDemoCommandLine({"--picture", "p.bmp", "--model", "m.3ds", "--classes", "c.bin"}, line = {}, error));
    EXPECT_EQ(line.files.picture + line.files.model + line.files.classes, "p.bmpm.3dsc.bin");
    const struct {
        std::vector<std::string> args;
        const char* error;
    } refused[] = {
        {{"a.3ds", "b.3ds"}, "one model at a time: 'b.3ds' is a second one"},
        {{"--model", "a.3ds", "b.3ds"}, "one model at a time: 'b.3ds' is a second one"},
        {{"--picture"}, "--picture needs a file name"},
        {{"--classes", ""}, "--classes needs a file name"},
        {{"--fullscreen"}, "unknown argument '--fullscreen' (velmora --help lists the options)"},
        {{"--version", "a.3ds"}, "unknown argument '--version' (velmora --help lists the options)"},
    };
    for (const auto& r : refused) {
        line = {};
        EXPECT_FALSE(ParseDemoCommandLine(r.args, line, error));
        EXPECT_EQ(error, r.error);
    }
}

// A file that cannot be used is told before the shell starts; one that can is
// the scene of every frame.
TEST(DemoCommandLine, ChecksTheFilesBeforeAnyWindowThenDrawsThem) {
    const std::string missing = "no-such-model.3ds";
    EXPECT_EQ(RunCommandLine({missing}), StartupFailedExitCode);
    EXPECT_EQ(FakeShellCalls(), Calls{"ShowStartupError cannot read " + missing + ": No such file or directory"});

    const std::string model = (std::filesystem::temp_directory_path() / "velmora_run_demo_model.3ds").string();
    FILE* file = std::fopen(model.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(EmbeddedModel, 1, EmbeddedModelBytes - 1, file), EmbeddedModelBytes - 1);
    std::fclose(file);
    EXPECT_EQ(RunCommandLine({"--model", model}), StartupFailedExitCode);
    EXPECT_EQ(FakeShellCalls(), Calls{"ShowStartupError " + model +
                                      ": cut short: its main chunk is 28121 bytes long, but the file holds only 28120"});

    file = std::fopen(model.c_str(), "wb");
    ASSERT_EQ(std::fwrite(EmbeddedModel, 1, EmbeddedModelBytes, file), EmbeddedModelBytes);
    std::fclose(file);
    FakeShellSetup setup;
    setup.messages = {ScriptedMessage::None};
    EXPECT_EQ(RunCommandLine({model}, setup), 0);
    std::filesystem::remove(model);
    EXPECT_EQ(FakeShellCalls().front(), "StartShell");
    ASSERT_EQ(FakeShellFrames().size(), 2u);
    EXPECT_GT(FakeShellFrames()[0].litPixels, 330 * 240 / 50);
    EXPECT_EQ(Scene.faceCount, FaceClassCount);

    EXPECT_EQ(RunCommandLine({"--help"}), 0);
    ASSERT_EQ(FakeShellCalls().size(), 1u);
    EXPECT_EQ(FakeShellCalls()[0], std::string("WriteStandardOutput ") + DemoUsage);
}

}  // namespace
