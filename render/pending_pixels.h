// Pixels of one face waiting to be lit, gathered over its rows so that the
// lane lighting runs full. They are kept in the lighting's own layout, one
// array per component (the interpolated normal's x, y and z, the attributes
// u, v and depth, the pixel's index in the buffers), so that a group of lanes
// is one load per component. The normal's fourth lane is 0 everywhere (the
// vertices' is, and so are its steps), so it is not kept. A face covers each
// pixel at most once, so lighting its pixels later, in any grouping, stores
// what lighting each at once would.
#pragma once
#include <smmintrin.h>

#include <cassert>
#include <cstdint>

// Pixels gathered before some must be lit.
constexpr int PendingCapacity = 128;
// The widest lane group of the lighting (eight AVX2 lanes).
constexpr int MaxPendingLanes = 8;

struct PendingPixels {
    // Room to fill the last group up to a whole one, and for four-lane stores
    // whose lanes past the appended ones are scratch.
    static constexpr int Room = PendingCapacity + MaxPendingLanes;
    alignas(32) float normalX[Room];
    alignas(32) float normalY[Room];
    alignas(32) float normalZ[Room];
    alignas(32) float u[Room];
    alignas(32) float v[Room];
    alignas(32) float depth[Room];
    alignas(32) uint32_t pixel[Room];
    int count = 0;
};

// Which of four lanes a mask of lanes (bit i for lane i) keeps, moved to the
// front in lane order: byte shuffles of four 32-bit lanes, and how many.
struct LanePacking {
    alignas(16) uint8_t order[16][16];
    int kept[16];
};

constexpr LanePacking MakeLanePacking() {
    LanePacking packing{};
    for (int mask = 0; mask < 16; ++mask) {
        int kept = 0;
        for (int lane = 0; lane < 4; ++lane) {
            if ((mask >> lane & 1) == 0) continue;
            for (int byte = 0; byte < 4; ++byte) packing.order[mask][4 * kept + byte] = static_cast<uint8_t>(4 * lane + byte);
            ++kept;
        }
        for (int byte = 4 * kept; byte < 16; ++byte) packing.order[mask][byte] = 0x80;  // zeroed
        packing.kept[mask] = kept;
    }
    return packing;
}
inline constexpr LanePacking PendingLanePacking = MakeLanePacking();

[[gnu::always_inline]] inline __m128 PackLanes(__m128 values, __m128i order) {
    return _mm_castsi128_ps(_mm_shuffle_epi8(_mm_castps_si128(values), order));
}

// Four pixels, one per lane, stored at position `at` (the lanes past those
// that join are scratch, overwritten by the next).
[[gnu::always_inline]] inline void StoreLanes(PendingPixels& pending, int at, __m128 normalX, __m128 normalY,
                                              __m128 normalZ, __m128 u, __m128 v, __m128 depth, __m128i pixel) {
    assert(at + 4 <= PendingPixels::Room);
    _mm_storeu_ps(&pending.normalX[at], normalX);
    _mm_storeu_ps(&pending.normalY[at], normalY);
    _mm_storeu_ps(&pending.normalZ[at], normalZ);
    _mm_storeu_ps(&pending.u[at], u);
    _mm_storeu_ps(&pending.v[at], v);
    _mm_storeu_ps(&pending.depth[at], depth);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&pending.pixel[at]), pixel);
}

// Four pixels, one per lane, of which the lanes in `mask` (1..15) join the
// pending ones at position count, in lane order.
[[gnu::always_inline]] inline void AppendLanes(PendingPixels& pending, int& count, int mask, __m128 normalX,
                                               __m128 normalY, __m128 normalZ, __m128 u, __m128 v, __m128 depth,
                                               __m128i pixel) {
    assert(mask > 0 && mask < 16);
    const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(PendingLanePacking.order[mask]));
    StoreLanes(pending, count, PackLanes(normalX, order), PackLanes(normalY, order), PackLanes(normalZ, order),
               PackLanes(u, order), PackLanes(v, order), PackLanes(depth, order), _mm_shuffle_epi8(pixel, order));
    count += PendingLanePacking.kept[mask];
}

// Pixel `from` copied to position `to` (filling up the last group).
[[gnu::always_inline]] inline void CopyPending(PendingPixels& pending, int from, int to) {
    pending.normalX[to] = pending.normalX[from];
    pending.normalY[to] = pending.normalY[from];
    pending.normalZ[to] = pending.normalZ[from];
    pending.u[to] = pending.u[from];
    pending.v[to] = pending.v[from];
    pending.depth[to] = pending.depth[from];
    pending.pixel[to] = pending.pixel[from];
}
