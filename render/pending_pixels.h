// Pixels of one face waiting to be lit, gathered over its spans so that the
// lane lighting runs full: the interpolated normal and attributes and the
// pixel's index in the buffers. A face covers each pixel at most once, so
// lighting its pixels later, in any grouping, stores what lighting each at
// once would.
#pragma once
#include <smmintrin.h>

#include <cassert>
#include <cstdint>

constexpr int PendingCapacity = 64;
struct PendingPixels {
    static constexpr int Room = PendingCapacity + 7;  // the last group of 4 or 8 filled up
    __m128 normal[Room];
    __m128 attrib[Room];
    uint32_t pixel[Room];
    int count = 0;
};

// Adds a pixel at position count (a local count stays in a register; stores
// to the pixel indices could otherwise alias pending.count). Always inlined:
// the AVX2 file uses it too (see core/simd.h).
[[gnu::always_inline]] inline void AppendPending(PendingPixels& pending, int& count, uint32_t pixel, __m128 normal,
                                                 __m128 attrib) {
    assert(count < PendingPixels::Room);
    pending.pixel[count] = pixel;
    pending.normal[count] = normal;
    pending.attrib[count] = attrib;
    ++count;
}
