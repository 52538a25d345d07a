// A scene without a window, for the headless tool and the tests: the three
// buffers allocated once and the scene prepared as the demo prepares it.
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

// The smallest and largest screen sizes the headless scene accepts: the window
// must be at least 2 x 2, and sizes stay 16-bit with buffers of sane size.
constexpr int MinScreenSize = 12;
constexpr int MaxScreenSize = 16384;
