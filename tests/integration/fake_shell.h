// A window shell without a window, for testing RunDemo (and its command line,
// with the console and the start-up error box): it records every call
// in order, plays a script of window messages, and ends the "process" by
// throwing, so the test regains control with the exit code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ShellExit {
    int code;
};

// What the frame loop finds waiting after each frame.
enum class ScriptedMessage { None, Space, Quit };

struct FakeShellSetup {
    bool displayPresent = true;
    bool windowOpens = true;
    int screenWidth = 340, screenHeight = 250;
    int failingAllocation = -1;              // index of the allocation that fails, -1 for none
    std::vector<ScriptedMessage> messages;   // one per frame; Quit is added after the last
    int quitCode = 0;
    int windowImageFrames = 0;               // frames for which a window image is offered, then none
};

struct PresentedFrame {
    uint32_t frameCounter;  // the counter when the frame was presented
    uint8_t fullSpeed;
    int litPixels;          // pixels of the presented buffer that are not black
    bool fromWindowImage;   // the pixels handed over were the window image's
    uint64_t checksum;      // of the pixels handed over (PixelChecksum)
};

uint64_t PixelChecksum(const uint32_t* pixels, size_t count);

void ResetFakeShell(const FakeShellSetup& setup);
const std::vector<std::string>& FakeShellCalls();
const std::vector<PresentedFrame>& FakeShellFrames();
