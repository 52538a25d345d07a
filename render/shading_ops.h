// The per-pixel arithmetic of the span shader, shared by the batched shader,
// the visibility-driven shader and the one-pixel-at-a-time reference: bump,
// lights, texture sample and the pixel store. Every routine works on one pixel
// in four lanes; the batched shader calls the bump and the texture sample per
// pixel and does its lighting across pixels with the same operations.
#pragma once
#include <cstdint>
#include <cstring>

#include "core/reciprocal.h"
#include "core/scene_arrays.h"
#include "core/simd.h"
#include "render/lighting.h"
#include "render/span_shader.h"

namespace shading {


// The class colour row of translucent faces: textured, bumped, added.
constexpr uint32_t TranslucentClass = ClassColorIndexOf(TranslucentFaceClass);

// The texture sample's lower clamp: the largest float below 1 in magnitude, so
// that coordinates that undershoot 0 by rounding sample as the stepping gave
// them (truncation to texel 0, a slightly negative fraction), while nothing
// can ever index before texel 0.
constexpr float TexCoordMin = -0.99999994f;

struct BilinearWeights {
    __m128 weights;  // w00, w10, w01, w11 for corners (iu,iv), (iu+1,iv), (iu,iv+1), (iu+1,iv+1)
    int32_t iu, iv;
};

// Splits clamped coordinates into texel indices (truncated) and fractions,
// and forms the four weights with each 1 - f taken first.
inline BilinearWeights WeightsAt(float uc, float vc) {
    BilinearWeights w;
    w.iu = static_cast<int32_t>(uc);
    w.iv = static_cast<int32_t>(vc);
    const float fu = uc - static_cast<float>(w.iu);
    const float fv = vc - static_cast<float>(w.iv);
    const float gu = 1.0f - fu, gv = 1.0f - fv;
    w.weights = _mm_mul_ps(_mm_setr_ps(gu, fu, gu, fu), _mm_setr_ps(gv, gv, fv, fv));
    return w;
}

inline float ClampedCoord(float value, float low, float high) {
    // minss returns its second operand for NaN, so NaN ends at high.
    return ScalarMax(ScalarMin(value, high), low);
}

// Eight height differences, modulo 256 and read as signed bytes, from four runs
// of consecutive heights around (iu, iv):
//   across (left minus right) for the four corners, and down (above minus below).
inline void HeightDifferences(const uint8_t* heightMap, int32_t iu, int32_t iv, __m128& across,
                              __m128& down) {
    const uint8_t* above = heightMap + (iv - 1) * TextureSize + iu;  // columns iu, iu+1
    const uint8_t* upper = heightMap + iv * TextureSize + iu - 1;    // columns iu-1 .. iu+2
    const uint8_t* lower = upper + TextureSize;                      // columns iu-1 .. iu+2
    const uint8_t* below = heightMap + (iv + 2) * TextureSize + iu;  // columns iu, iu+1
    const uint8_t acrossLeft[4] = {upper[0], upper[1], lower[0], lower[1]};
    const uint8_t acrossRight[4] = {upper[2], upper[3], lower[2], lower[3]};
    const uint8_t downAbove[4] = {above[0], above[1], upper[1], upper[2]};
    const uint8_t downBelow[4] = {lower[1], lower[2], below[0], below[1]};
    int32_t left, right, top, bottom;
    std::memcpy(&left, acrossLeft, 4);
    std::memcpy(&right, acrossRight, 4);
    std::memcpy(&top, downAbove, 4);
    std::memcpy(&bottom, downBelow, 4);
    const __m128i differences = _mm_sub_epi8(_mm_setr_epi32(left, top, 0, 0), _mm_setr_epi32(right, bottom, 0, 0));
    across = _mm_cvtepi32_ps(_mm_cvtepi8_epi32(differences));
    down = _mm_cvtepi32_ps(_mm_cvtepi8_epi32(_mm_srli_si128(differences, 4)));
}

// The interpolated normal tilted by the height-map gradient, then normalised.
template <typename Reciprocals>
inline __m128 BumpedNormal(__m128 normal, __m128 attrib, const uint8_t* heightMap) {
    alignas(16) float uv[4];
    _mm_store_ps(uv, attrib);
    const BilinearWeights w = WeightsAt(ClampedCoord(uv[0], BumpCoordMin, TexCoordMax),
                                        ClampedCoord(uv[1], BumpCoordMin, TexCoordMax));
    __m128 across, down;
    HeightDifferences(heightMap, w.iu, w.iv, across, down);
    const __m128 gx = Dot4Ordered(w.weights, across);
    const __m128 gy = Dot4Ordered(w.weights, down);
    const __m128 gradient = _mm_unpacklo_ps(gx, gy);  // gx, gy, gx, gy
    const __m128 bumpScale = _mm_setr_ps(BumpScale, BumpScale, 0.0f, 0.0f);
    const __m128 tilted = _mm_add_ps(normal, _mm_mul_ps(bumpScale, gradient));
    // The fourth lane is 0, so the four-lane sum equals (x^2 + y^2) + z^2.
    return _mm_mul_ps(tilted, Reciprocals::Rsqrt(Dot4Ordered(tilted, tilted)));
}

inline __m128 Power16(__m128 d) {
    const __m128 d2 = _mm_mul_ps(d, d);
    const __m128 d4 = _mm_mul_ps(d2, d2);
    const __m128 d8 = _mm_mul_ps(d4, d4);
    return _mm_mul_ps(d8, d8);
}

// The three light directions transposed once per span, lane k holding light
// k's component, so that one pass of four-lane arithmetic gives all three
// N.L: lane k is (Lk.x nx + Lk.y ny) + Lk.z nz, the order of a three-lane dot.
struct LightDirections {
    __m128 x, y, z;
};

inline LightDirections TransposedLightDirections() {
    __m128 l0 = LoadVec4(LightTable[0].direction);
    __m128 l1 = LoadVec4(LightTable[1].direction);
    __m128 l2 = LoadVec4(LightTable[2].direction);
    __m128 unused = _mm_setzero_ps();
    _MM_TRANSPOSE4_PS(l0, l1, l2, unused);
    return LightDirections{l0, l1, l2};
}

// Front surface: the largest of the lights' terms, each the specular term plus,
// for opaque faces, diffuse and ambient. Elsewhere: the running sum of the
// diffuse and ambient terms, no specular.
inline __m128 LightSum(const LightDirections& directions, __m128 n, bool front, bool opaque) {
    static_assert(LightCount == 3, "the transposed directions hold three lights");
    const __m128 zero = _mm_setzero_ps();
    const __m128 d = _mm_add_ps(_mm_add_ps(_mm_mul_ps(directions.x, Broadcast<0>(n)),
                                           _mm_mul_ps(directions.y, Broadcast<1>(n))),
                                _mm_mul_ps(directions.z, Broadcast<2>(n)));
    const __m128 facing = LaneMax(d, zero);
    const __m128 highlight = front ? Power16(d) : zero;
    const __m128 lanes[LightCount][2] = {{Broadcast<0>(facing), Broadcast<0>(highlight)},
                                         {Broadcast<1>(facing), Broadcast<1>(highlight)},
                                         {Broadcast<2>(facing), Broadcast<2>(highlight)}};
    __m128 sum = zero;
    __m128 running = zero;
    for (int k = 0; k < LightCount; ++k) {
        const Light& light = LightTable[k];
        const __m128 diffuse = _mm_mul_ps(lanes[k][0], LoadVec4(light.diffuse));
        __m128 term;
        if (front) {
            term = _mm_mul_ps(lanes[k][1], LoadVec4(light.specular));
            if (opaque) term = _mm_add_ps(_mm_add_ps(term, diffuse), LoadVec4(light.ambient));
        } else {
            running = _mm_add_ps(_mm_add_ps(running, diffuse), LoadVec4(light.ambient));
            term = running;
        }
        sum = LaneMax(sum, term);
    }
    return sum;
}

inline __m128 TexelChannels(uint32_t texel) {
    // Blue, green, red as floats; the top byte takes no part.
    return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(texel & 0x00FFFFFF))));
}

// Bilinear texture sample per channel: (w00 t00 + w10 t10) + (w01 t01 + w11 t11).
inline __m128 TextureSample(__m128 attrib, const uint32_t* texture) {
    alignas(16) float uv[4];
    _mm_store_ps(uv, attrib);
    const BilinearWeights w = WeightsAt(ClampedCoord(uv[0], TexCoordMin, TexCoordMax),
                                        ClampedCoord(uv[1], TexCoordMin, TexCoordMax));
    const uint32_t* row = texture + w.iv * TextureSize + w.iu;
    const __m128 t00 = _mm_mul_ps(Broadcast<0>(w.weights), TexelChannels(row[0]));
    const __m128 t10 = _mm_mul_ps(Broadcast<1>(w.weights), TexelChannels(row[1]));
    const __m128 t01 = _mm_mul_ps(Broadcast<2>(w.weights), TexelChannels(row[TextureSize]));
    const __m128 t11 = _mm_mul_ps(Broadcast<3>(w.weights), TexelChannels(row[TextureSize + 1]));
    return _mm_add_ps(_mm_add_ps(t00, t10), _mm_add_ps(t01, t11));
}

// Rounds each lane to nearest even, shifts right by 8 (arithmetic, so a
// negative product stores 0) and saturates to a byte.
inline uint32_t PackPixel(__m128 colour) {
    const __m128i words = _mm_srai_epi32(LaneRoundToInt32(colour), 8);
    const __m128i shorts = _mm_packs_epi32(words, words);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(shorts, shorts)));
}

inline uint32_t AddSaturated(uint32_t old, uint32_t added) {
    return static_cast<uint32_t>(
        _mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(old)),
                                        _mm_cvtsi32_si128(static_cast<int>(added)))));
}

// A span clipped to the band, with its per-pixel steps and its values at the
// first drawn column.
struct SpanSetup {
    int32_t left, right;  // columns drawn: left .. right-1, at least one
    __m128 normal, attrib;
    __m128 normalStep, attribStep;
};

// Orders and clips the two ends; false when the span draws nothing. The steps
// come from the unclipped ends; the left clip is the one place a value moves
// by k steps at once.
template <typename Reciprocals>
inline bool SetUpSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const BandRect& band, SpanSetup& s) {
    if (row < band.top || row >= band.bottom) return false;
    if (end1.x == end2.x) return false;
    const SpanEnd& leftEnd = end1.x < end2.x ? end1 : end2;
    const SpanEnd& rightEnd = end1.x < end2.x ? end2 : end1;
    s.left = leftEnd.x;
    s.right = rightEnd.x;
    if (s.left >= band.right || s.right <= band.left) return false;

    const __m128 reciprocal = _mm_set1_ps(Reciprocals::Rcp(static_cast<float>(s.right - s.left)));
    s.normalStep = _mm_mul_ps(_mm_sub_ps(LoadVec4(rightEnd.normal), LoadVec4(leftEnd.normal)), reciprocal);
    s.attribStep = _mm_mul_ps(_mm_sub_ps(LoadVec4(rightEnd.attrib), LoadVec4(leftEnd.attrib)), reciprocal);
    s.normal = LoadVec4(leftEnd.normal);
    s.attrib = LoadVec4(leftEnd.attrib);
    if (s.left < band.left) {
        const __m128 skipped = _mm_set1_ps(static_cast<float>(band.left - s.left));
        s.normal = _mm_add_ps(_mm_mul_ps(s.normalStep, skipped), s.normal);
        s.attrib = _mm_add_ps(_mm_mul_ps(s.attribStep, skipped), s.attrib);
        s.left = band.left;
    }
    if (s.right >= band.right) s.right = band.right;
    return true;
}

inline float DepthOf(__m128 attrib) { return _mm_cvtss_f32(Broadcast<2>(attrib)); }

}  // namespace shading
