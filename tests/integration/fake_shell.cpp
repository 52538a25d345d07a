#include "tests/integration/fake_shell.h"

#include <cstdlib>
#include <memory>

#include "app/window_proc.h"
#include "core/scene_state.h"
#include "platform/console_output.h"
#include "platform/shell.h"
#include "platform/startup_error.h"

namespace {

FakeShellSetup Setup;
std::vector<std::string> Calls;
std::vector<PresentedFrame> Frames;
size_t NextMessage = 0;
int Allocations = 0;
std::vector<std::unique_ptr<uint8_t[]>> Buffers;
std::vector<uint32_t> WindowImage;  // kept at the window's size
int WindowImagesOffered = 0;

void Record(std::string call) {
    Calls.push_back(std::move(call));
}

}  // namespace

uint64_t PixelChecksum(const uint32_t* pixels, size_t count) {
    // FNV-1a over the pixels' bytes.
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < count; ++i)
        for (int byte = 0; byte < 4; ++byte) hash = (hash ^ ((pixels[i] >> (8 * byte)) & 0xFF)) * 1099511628211ull;
    return hash;
}

void ResetFakeShell(const FakeShellSetup& setup) {
    Setup = setup;
    Calls.clear();
    Frames.clear();
    NextMessage = 0;
    Allocations = 0;
    Buffers.clear();
    WindowImage.clear();
    WindowImagesOffered = 0;
}

const std::vector<std::string>& FakeShellCalls() {
    return Calls;
}

const std::vector<PresentedFrame>& FakeShellFrames() {
    return Frames;
}

bool StartShell(WindowRule) {
    Record("StartShell");
    return Setup.displayPresent;
}

ScreenSize GetScreenSize() {
    Record("GetScreenSize");
    return {Setup.screenWidth, Setup.screenHeight};
}

bool OpenWindow(int width, int height) {
    Record("OpenWindow " + std::to_string(width) + "x" + std::to_string(height));
    // White: a frame drawn into it without its clears would show.
    WindowImage.assign(static_cast<size_t>(width) * height, 0xFFFFFFFFu);
    return Setup.windowOpens;
}

uint32_t* WindowImagePixels(int width, int height) {
    if (WindowImagesOffered == Setup.windowImageFrames) return nullptr;
    ++WindowImagesOffered;
    // std::vector's storage is aligned for any scalar type, 16 bytes on x86-64.
    return WindowImage.size() == static_cast<size_t>(width) * height ? WindowImage.data() : nullptr;
}

void* AllocatePixelBuffer(size_t bytes) {
    Record("AllocatePixelBuffer " + std::to_string(bytes));
    if (Allocations++ == Setup.failingAllocation) return nullptr;
    // 16 spare bytes let the buffer start on a 16-byte boundary.
    Buffers.emplace_back(new uint8_t[bytes + 16]());
    uintptr_t address = reinterpret_cast<uintptr_t>(Buffers.back().get());
    return reinterpret_cast<void*>((address + 15) & ~uintptr_t{15});
}

void ReportStartupFailure() {
    Record("ReportStartupFailure");
}

void ShowStartupError(const char* line) { Record(std::string("ShowStartupError ") + line); }

void WriteStandardOutput(const char* text) { Record(std::string("WriteStandardOutput ") + text); }

void WriteStandardError(const char* text) { Record(std::string("WriteStandardError ") + text); }

void PresentFrame(const uint32_t* pixels, int width, int height) {
    Record("PresentFrame");
    int lit = 0;
    for (int i = 0; i < width * height; ++i) lit += pixels[i] != 0;
    bool isColorBuffer = pixels == Scene.colorBuffer && width == Scene.width && height == Scene.height;
    Frames.push_back({Scene.frameCounter, Scene.fullSpeed, isColorBuffer ? lit : -1, pixels == WindowImage.data(),
                      PixelChecksum(pixels, static_cast<size_t>(width) * height)});
}

void PauseBetweenFrames() {
    Record("PauseBetweenFrames");
}

bool PumpOneMessage(int* quitCode) {
    Record("PumpOneMessage");
    ScriptedMessage message =
        NextMessage < Setup.messages.size() ? Setup.messages[NextMessage] : ScriptedMessage::Quit;
    ++NextMessage;
    if (message == ScriptedMessage::Space) DecideWindowMessage(MessageKeyDown, KeySpace);
    if (message != ScriptedMessage::Quit) return true;
    *quitCode = Setup.quitCode;
    return false;
}

void CloseShellAndExit(int exitCode) {
    Record("CloseShellAndExit " + std::to_string(exitCode));
    throw ShellExit{exitCode};
}
