// Lighting of four pixels at once, one pixel per lane. Each lane goes through
// the operations of the per-pixel shader (shading_ops.h) in the same order and
// with the same operands on each side of every min and max, so each lane's
// bits equal what the per-pixel shader computes for that pixel; only the
// layout differs (x, y, z of four normals in three vectors, not one).
#pragma once
#include <cstdint>

#include "core/simd.h"
#include "render/lighting.h"
#include "render/shading_ops.h"
#include "render/span_shader.h"

namespace shading {

// Four vectors transposed: lane i of x is the x of vector i, and so on.
struct Quad {
    __m128 x, y, z, w;
};

inline Quad Transposed(const __m128* v) {
    Quad q{v[0], v[1], v[2], v[3]};
    _MM_TRANSPOSE4_PS(q.x, q.y, q.z, q.w);
    return q;
}

// Blue, green and red of four pixels.
constexpr int ColourChannels = 3;
struct Channels {
    __m128 c[ColourChannels];
};

// The light table and the class colour broadcast to four lanes, built once per
// band or span so that the per-quad code only loads them.
struct QuadLights {
    __m128 directionX[LightCount], directionY[LightCount], directionZ[LightCount];
    __m128 diffuse[LightCount][ColourChannels];
    __m128 ambient[LightCount][ColourChannels];
    __m128 specular[LightCount][ColourChannels];
};

inline void BroadcastLights(QuadLights& q) {
    for (int k = 0; k < LightCount; ++k) {
        const Light& light = LightTable[k];
        q.directionX[k] = _mm_set1_ps(light.direction.v[0]);
        q.directionY[k] = _mm_set1_ps(light.direction.v[1]);
        q.directionZ[k] = _mm_set1_ps(light.direction.v[2]);
        for (int c = 0; c < ColourChannels; ++c) {
            q.diffuse[k][c] = _mm_set1_ps(light.diffuse.v[c]);
            q.ambient[k][c] = _mm_set1_ps(light.ambient.v[c]);
            q.specular[k][c] = _mm_set1_ps(light.specular.v[c]);
        }
    }
}

// n x (1 / sqrt of the four-lane dot n.n, added as (x^2 + y^2) + (z^2 + w^2)).
template <typename Reciprocals>
inline Quad UnitNormals(const Quad& n) {
    const __m128 lengthSquared = _mm_add_ps(_mm_add_ps(_mm_mul_ps(n.x, n.x), _mm_mul_ps(n.y, n.y)),
                                            _mm_add_ps(_mm_mul_ps(n.z, n.z), _mm_mul_ps(n.w, n.w)));
    const __m128 scale = Reciprocals::Rsqrt(lengthSquared);
    return Quad{_mm_mul_ps(n.x, scale), _mm_mul_ps(n.y, scale), _mm_mul_ps(n.z, scale), _mm_setzero_ps()};
}

// All ones where the pixel is on the front surface: z + 1.1 >= P and z - 1.1 < P.
inline __m128 FrontMask(__m128 depth, __m128 prepass) {
    const __m128 tolerance = _mm_set1_ps(FrontTolerance);
    return _mm_and_ps(_mm_cmpge_ps(_mm_add_ps(depth, tolerance), prepass),
                      _mm_cmplt_ps(_mm_sub_ps(depth, tolerance), prepass));
}

// The light sum of four pixels (LightSum of the per-pixel shader, per lane).
// Front-surface lanes take the largest light term, the specular term plus, for
// opaque faces, diffuse and ambient; the other lanes the running sum of diffuse
// and ambient. Each kind is computed only when some lane needs it.
template <bool Opaque>
inline Channels LightSums(const QuadLights& lights, const Quad& n, __m128 front) {
    const int frontLanes = _mm_movemask_ps(front);
    const bool anyFront = frontLanes != 0, allFront = frontLanes == 0xF;
    const __m128 zero = _mm_setzero_ps();
    __m128 facing[LightCount], highlight[LightCount];
    for (int k = 0; k < LightCount; ++k) {
        const __m128 d = _mm_add_ps(_mm_add_ps(_mm_mul_ps(lights.directionX[k], n.x),
                                               _mm_mul_ps(lights.directionY[k], n.y)),
                                    _mm_mul_ps(lights.directionZ[k], n.z));
        facing[k] = _mm_max_ps(d, zero);
        highlight[k] = anyFront ? Power16(d) : zero;
    }
    Channels sum;
    for (int c = 0; c < ColourChannels; ++c) {
        __m128 s = zero, running = zero;
        for (int k = 0; k < LightCount; ++k) {
            const __m128 diffuse = _mm_mul_ps(facing[k], lights.diffuse[k][c]);
            __m128 frontTerm = zero;
            if (anyFront) {
                frontTerm = _mm_mul_ps(highlight[k], lights.specular[k][c]);
                if (Opaque) frontTerm = _mm_add_ps(_mm_add_ps(frontTerm, diffuse), lights.ambient[k][c]);
            }
            if (!allFront) running = _mm_add_ps(_mm_add_ps(running, diffuse), lights.ambient[k][c]);
            const __m128 term = allFront ? frontTerm : anyFront ? _mm_blendv_ps(running, frontTerm, front) : running;
            s = _mm_max_ps(s, term);
        }
        sum.c[c] = s;
    }
    return sum;
}

// min(S, 255) per lane, as the per-pixel shader clamps.
inline Channels ClampedLight(const Channels& s) {
    const __m128 channelMax = _mm_set1_ps(ChannelMax);
    Channels out;
    for (int c = 0; c < ColourChannels; ++c) out.c[c] = _mm_min_ps(s.c[c], channelMax);
    return out;
}

// Four pixels 0x00RRGGBB from the tinted colour: each channel rounded to
// nearest even, shifted right by 8 and saturated to a byte, as PackPixel does.
// The fourth byte is 0: the fourth lanes of the light and class colour tables
// are 0, so PackPixel's fourth lane is always 0 as well.
inline __m128i PackPixels(const Channels& colour) {
    const __m128i blue = _mm_srai_epi32(_mm_cvtps_epi32(colour.c[0]), 8);
    const __m128i green = _mm_srai_epi32(_mm_cvtps_epi32(colour.c[1]), 8);
    const __m128i red = _mm_srai_epi32(_mm_cvtps_epi32(colour.c[2]), 8);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(blue, green), _mm_packs_epi32(red, _mm_setzero_si128()));
    // bytes: b0 b1 b2 b3 g0 g1 g2 g3 r0 r1 r2 r3 0 0 0 0 -> b0 g0 r0 0, b1 g1 r1 0, ...
    return _mm_shuffle_epi8(bytes, _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
}

}  // namespace shading
