// A scene without a window, for the headless tool and the tests: the three
// buffers allocated once, the scene prepared as the demo prepares it, and a
// way to jump to any frame of the demo's sequence.
#pragma once
#include <cstdint>

// Sizes the scene for a screen of screenWidth x screenHeight (the window is 10
// pixels smaller, rounded down to even), allocates the three buffers and runs
// the start-up preparation. Returns false, with Scene unchanged, when the
// sizes are unusable or the buffers cannot be allocated. May be called again
// with another screen; the previous buffers are released.
bool OpenHeadlessScene(int screenWidth, int screenHeight);

// Releases the buffers.
void CloseHeadlessScene();

// Sets the frame counter to frame mod 512 and the zoom to its state after
// `frame` steps, so that the next RenderFrame draws the demo's frame `frame`
// (the first frame the demo draws is frame 0).
void SeekFrame(uint32_t frame);

// The smallest and largest screen sizes the headless scene accepts: the window
// must be at least 2 x 2, and sizes stay 16-bit with buffers of sane size.
constexpr int MinScreenSize = 12;
constexpr int MaxScreenSize = 16384;
