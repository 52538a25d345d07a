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

// The smallest and largest screen sizes the headless scene accepts. The
// window is 10 pixels smaller, rounded down to even, and must be at least 2 x 2
// (a row per band). At the top, screen points are rounded and saturated to
// signed 16 bits, rows are compared as 16-bit values (the pre-pass row, the band
// test), so every row and column of the picture must be a 16-bit point: at most
// 32767, 32766 when even, which a screen of 32777 gives. The 22.10 edges add no
// tighter limit: any 16-bit column times 1024, and any difference of two, fits
// in 32 bits (the static_asserts in render/edge_fixed_point.h). Row offsets
// (row * width, 32-bit in the pre-pass) and the pixel count of the clear stay
// below 32766^2 < 2^30. The three buffers then need 12 GiB.
constexpr int MinScreenSize = 12;
constexpr int MaxScreenSize = 32777;
static_assert(((MaxScreenSize - 10) & ~1) <= INT16_MAX, "picture rows and columns must be 16-bit points");
