// Where a transformed vertex lands on the screen, as every pass that draws
// faces takes it: the pre-pass and both band workers.
#pragma once
#include <cmath>
#include <cstdint>

#include "core/scene_arrays.h"
#include "core/simd.h"
#include "core/types.h"

// The screen point of a ScreenVertices entry: column and row rounded to
// nearest even and saturated to signed 16 bits (NaN and |v| >= 2^31 give -32768).
struct ScreenPoint {
    int16_t x, y;
};

inline ScreenPoint ToScreenPoint(const Vec3& v) {
    // cvtps2dq rounds to nearest even and gives 0x80000000 for NaN and for
    // |v| >= 2^31; the signed pack then saturates to 16 bits (-32768 for those).
    const __m128i rounded = LaneRoundToInt32(_mm_setr_ps(v.x, v.y, 0.0f, 0.0f));
    const uint32_t packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packs_epi32(rounded, rounded)));
    return ScreenPoint{static_cast<int16_t>(packed & 0xFFFF), static_cast<int16_t>(packed >> 16)};
}

// False for a vertex whose column or row is NaN or infinite (a degenerate
// model's): it has no place on the screen, and its saturated screen point
// (-32768 or 32767) would make its faces walk tens of thousands of rows
// outside the screen in every pass. Faces with such a corner are not drawn.
// Finite columns and rows keep the saturation rule.
inline bool HasScreenPosition(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// True when every corner of the face has a place on the screen: the faces the
// pre-pass and the band workers may draw.
inline bool HasScreenPositions(const Face& face) {
    return HasScreenPosition(ScreenVertices[face.a]) && HasScreenPosition(ScreenVertices[face.b]) &&
           HasScreenPosition(ScreenVertices[face.c]);
}
