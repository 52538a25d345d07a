// Lighting of several pixels at once, one pixel per lane, written once for any
// lane count: V is a small set of vector operations (four SSE lanes here, eight
// AVX2 lanes in eight_lane_lighting.cpp). Each lane goes through the pixel's
// arithmetic in its one order, with the same operands on each side of every
// min and max (minps/maxps give the second operand for NaN), so each lane's
// bits equal those of lighting that pixel alone (the tests hold them to a
// one-pixel-at-a-time reference); only the layout differs (x, y, z of several
// normals in three vectors).
#pragma once
#include <cassert>
#include <cstdint>
#include <cstring>

#include "core/scene_arrays.h"
#include "core/simd.h"
#include "render/face_context.h"
#include "render/lights.h"
#include "render/pending_pixels.h"
#include "render/shading_constants.h"

// Internal linkage: each file that includes this compiles its own copy for its
// own instruction set (the eight-lane file with AVX2), so the linker can never
// hand one file's copy of a routine to the other file's callers.
namespace shading {
namespace {

// Several four-float vectors transposed: lane i of x is the x of vector i.
template <typename V>
struct Lanes {
    typename V::F x, y, z, w;
};

template <typename V>
struct Channels {
    typename V::F c[ColourChannels];
};

// n x (1 / sqrt of the four-lane dot n.n, added as (x^2 + y^2) + (z^2 + w^2)).
template <typename V, typename Reciprocals>
inline Lanes<V> UnitNormals(const Lanes<V>& n) {
    const auto lengthSquared =
        V::Add(V::Add(V::Mul(n.x, n.x), V::Mul(n.y, n.y)), V::Add(V::Mul(n.z, n.z), V::Mul(n.w, n.w)));
    const auto scale = V::template Rsqrt<Reciprocals>(lengthSquared);
    return Lanes<V>{V::Mul(n.x, scale), V::Mul(n.y, scale), V::Mul(n.z, scale), V::Zero()};
}

// All ones where the pixel is on the front surface: z + 1.1 >= P and z - 1.1 < P.
template <typename V>
inline typename V::F FrontMask(typename V::F depth, typename V::F prepass) {
    const auto tolerance = V::Set1(FrontTolerance);
    return V::And(V::CmpGe(V::Add(depth, tolerance), prepass), V::CmpLt(V::Sub(depth, tolerance), prepass));
}

template <typename V>
inline typename V::F Power16Lanes(typename V::F d) {
    const auto d2 = V::Mul(d, d);
    const auto d4 = V::Mul(d2, d2);
    const auto d8 = V::Mul(d4, d4);
    return V::Mul(d8, d8);
}

// The light sum, per lane. Front-surface
// lanes take the largest light term, the specular term plus, for opaque faces,
// diffuse and ambient; the other lanes the running sum of diffuse and ambient.
// Each kind is computed only when some lane needs it.
template <typename V, bool Opaque>
inline Channels<V> LightSums(const LaneLights& lights, const Lanes<V>& n, typename V::F front) {
    using F = typename V::F;
    const int frontLanes = V::MoveMask(front);
    const bool anyFront = frontLanes != 0, allFront = frontLanes == V::AllLanes;
    const F zero = V::Zero();
    F facing[LightCount], highlight[LightCount];
    for (int k = 0; k < LightCount; ++k) {
        const F d =
            V::Add(V::Add(V::Mul(V::Load(lights.directionX[k]), n.x), V::Mul(V::Load(lights.directionY[k]), n.y)),
                   V::Mul(V::Load(lights.directionZ[k]), n.z));
        facing[k] = V::Max(d, zero);
        highlight[k] = anyFront ? Power16Lanes<V>(d) : zero;
    }
    Channels<V> sum;
    for (int c = 0; c < ColourChannels; ++c) {
        F s = zero, running = zero;
        for (int k = 0; k < LightCount; ++k) {
            const F diffuse = V::Mul(facing[k], V::Load(lights.diffuse[k][c]));
            F frontTerm = zero;
            if (anyFront) {
                frontTerm = V::Mul(highlight[k], V::Load(lights.specular[k][c]));
                if (Opaque) frontTerm = V::Add(V::Add(frontTerm, diffuse), V::Load(lights.ambient[k][c]));
            }
            if (!allFront) running = V::Add(V::Add(running, diffuse), V::Load(lights.ambient[k][c]));
            const F term = allFront ? frontTerm : anyFront ? V::Blend(running, frontTerm, front) : running;
            s = V::Max(s, term);
        }
        sum.c[c] = s;
    }
    return sum;
}

// The colour of lit pixels: min(S, 255), times the texture sample for
// translucent faces, times the class colour.
template <typename V, bool Opaque>
inline Channels<V> TintedColour(const Channels<V>& light, const Channels<V>& sample,
                                const LaneConstant (&tint)[ColourChannels]) {
    const auto channelMax = V::Set1(ChannelMax);
    Channels<V> out;
    for (int c = 0; c < ColourChannels; ++c) {
        auto clamped = V::Min(light.c[c], channelMax);
        if (!Opaque) clamped = V::Mul(clamped, sample.c[c]);
        out.c[c] = V::Mul(clamped, V::Load(tint[c]));
    }
    return out;
}

// Four SSE lanes.
struct SseLanes {
    using F = __m128;
    static constexpr int Count = 4;
    static constexpr int AllLanes = 0xF;
    static F Add(F a, F b) { return _mm_add_ps(a, b); }
    static F Sub(F a, F b) { return _mm_sub_ps(a, b); }
    static F Mul(F a, F b) { return _mm_mul_ps(a, b); }
    static F Min(F a, F b) { return LaneMin(a, b); }
    static F Max(F a, F b) { return LaneMax(a, b); }
    static F And(F a, F b) { return _mm_and_ps(a, b); }
    static F CmpGe(F a, F b) { return _mm_cmpge_ps(a, b); }
    static F CmpLt(F a, F b) { return _mm_cmplt_ps(a, b); }
    static F Blend(F a, F b, F mask) { return _mm_blendv_ps(a, b, mask); }  // b where mask
    static F Set1(float v) { return _mm_set1_ps(v); }
    static F Zero() { return _mm_setzero_ps(); }
    static F Load(const LaneConstant& copies) { return _mm_load_ps(copies); }
    static int MoveMask(F mask) { return _mm_movemask_ps(mask); }
    template <typename Reciprocals>
    static F Rsqrt(F x) { return Reciprocals::Rsqrt(x); }

    static F Gather(const float* base, const uint32_t* index) {
        return _mm_setr_ps(base[index[0]], base[index[1]], base[index[2]], base[index[3]]);
    }
    static F LoadRun(const float* p) { return _mm_loadu_ps(p); }
    // True when the four indices are neighbours, in order.
    static bool IsRun(const uint32_t* index) {
        const __m128i indices = _mm_loadu_si128(reinterpret_cast<const __m128i*>(index));
        const __m128i run = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(index[0])), _mm_setr_epi32(0, 1, 2, 3));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(indices, run)) == 0xFFFF;
    }
    // Four pixels 0x00RRGGBB: each channel rounded to nearest even, shifted
    // right by 8 (arithmetic, so a negative product stores 0) and saturated to a byte.
    static void PackPixels(const Channels<SseLanes>& colour, uint32_t* out) {
        const __m128i blue = _mm_srai_epi32(LaneRoundToInt32(colour.c[0]), 8);
        const __m128i green = _mm_srai_epi32(LaneRoundToInt32(colour.c[1]), 8);
        const __m128i red = _mm_srai_epi32(LaneRoundToInt32(colour.c[2]), 8);
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(blue, green), _mm_packs_epi32(red, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, PixelOrder()));
    }
    // b0 b1 b2 b3 g0 g1 g2 g3 r0 r1 r2 r3 0 0 0 0 -> b0 g0 r0 0, b1 g1 r1 0, ...
    // The fourth byte is 0: the fourth lanes of the light and class colour
    // tables are 0, so a lit pixel's fourth byte is always 0 as well.
    static __m128i PixelOrder() { return _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15); }
    // The bumped normal of the front-surface lanes and the texture sample of
    // every lane of four translucent pixels (defined below, after the reads).
    template <typename Reciprocals>
    static void TranslucentInputs(const Lanes<SseLanes>& rawNormals, const Lanes<SseLanes>& attribs, F front,
                                  const FaceContext& context, Lanes<SseLanes>& normals, Channels<SseLanes>& sample);
};

// Clamped texel coordinates of four pixels split into integer parts and
// bilinear weights: truncation, then each 1 - f formed first.
struct LaneWeights {
    __m128i iu, iv;
    __m128 w00, w10, w01, w11;
};

inline LaneWeights WeightsInLanes(__m128 u, __m128 v, float low) {
    const __m128 high = _mm_set1_ps(TexCoordMax), lowest = _mm_set1_ps(low);
    // min first, so NaN ends at the upper clamp.
    const __m128 uc = LaneMax(LaneMin(u, high), lowest);
    const __m128 vc = LaneMax(LaneMin(v, high), lowest);
    LaneWeights w;
    w.iu = LaneTruncateToInt32(uc);
    w.iv = LaneTruncateToInt32(vc);
    const __m128 fu = _mm_sub_ps(uc, _mm_cvtepi32_ps(w.iu));
    const __m128 fv = _mm_sub_ps(vc, _mm_cvtepi32_ps(w.iv));
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 gu = _mm_sub_ps(one, fu), gv = _mm_sub_ps(one, fv);
    w.w00 = _mm_mul_ps(gu, gv);
    w.w10 = _mm_mul_ps(fu, gv);
    w.w01 = _mm_mul_ps(gu, fv);
    w.w11 = _mm_mul_ps(fu, fv);
    return w;
}

// (w00 t00 + w10 t10) + (w01 t01 + w11 t11), the order of a four-lane dot.
inline __m128 Bilinear(const LaneWeights& w, __m128 t00, __m128 t10, __m128 t01, __m128 t11) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(w.w00, t00), _mm_mul_ps(w.w10, t10)),
                      _mm_add_ps(_mm_mul_ps(w.w01, t01), _mm_mul_ps(w.w11, t11)));
}

static_assert(TextureSize == 128, "texel and height offsets are row * 128 + column");
constexpr int TextureRowShift = 7;

// The offsets row * 128 + column of four pixels, where the reads start.
inline void LaneOffsets(__m128i column, __m128i row, int32_t (&offsets)[4]) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(offsets), _mm_add_epi32(_mm_slli_epi32(row, TextureRowShift), column));
}

// One colour channel of four texels as floats.
inline __m128 TexelChannel(__m128i texels, int channel) {
    return _mm_cvtepi32_ps(_mm_and_si128(_mm_srl_epi32(texels, _mm_cvtsi32_si128(8 * channel)), _mm_set1_epi32(0xFF)));
}

// The bilinear texture sample of four pixels, one per lane: per channel
// (w00 t00 + w10 t10) + (w01 t01 + w11 t11), the top byte taking no part.
inline Channels<SseLanes> TextureSamples(__m128 u, __m128 v, const uint32_t* texture) {
    const LaneWeights w = WeightsInLanes(u, v, TexCoordMin);
    int32_t at[4];
    LaneOffsets(w.iu, w.iv, at);
    const uint32_t *t0 = texture + at[0], *t1 = texture + at[1], *t2 = texture + at[2], *t3 = texture + at[3];
    auto corner = [&](int offset) {
        return _mm_setr_epi32(static_cast<int>(t0[offset]), static_cast<int>(t1[offset]), static_cast<int>(t2[offset]),
                              static_cast<int>(t3[offset]));
    };
    const __m128i t00 = corner(0), t10 = corner(1), t01 = corner(TextureSize), t11 = corner(TextureSize + 1);
    Channels<SseLanes> sample;
    for (int c = 0; c < ColourChannels; ++c)
        sample.c[c] =
            Bilinear(w, TexelChannel(t00, c), TexelChannel(t10, c), TexelChannel(t01, c), TexelChannel(t11, c));
    return sample;
}

// Byte `index` of each lane's word read as a signed byte, as a float.
inline __m128 SignedByteAt(__m128i words, int index) {
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_sll_epi32(words, _mm_cvtsi32_si128(24 - 8 * index)), 24));
}

// The bumped normal of four pixels, one per lane: the interpolated normal
// tilted by the height-map gradient, then normalised. Each pixel's twelve heights come
// as four words from rows iv-1 .. iv+2, columns iu-1 .. iu+2 (the clamp keeps
// all of them inside the map), and the eight differences are byte
// subtractions, modulo 256, read as signed bytes.
template <typename Reciprocals>
inline Lanes<SseLanes> BumpedNormals(const Lanes<SseLanes>& normal, __m128 u, __m128 v, const uint8_t* heightMap) {
    const LaneWeights w = WeightsInLanes(u, v, BumpCoordMin);
    int32_t at[4];
    LaneOffsets(_mm_sub_epi32(w.iu, _mm_set1_epi32(1)), _mm_sub_epi32(w.iv, _mm_set1_epi32(1)), at);
    int32_t rows[4][4];  // [row iv-1 .. iv+2][lane]: heights of columns iu-1 .. iu+2
    for (int lane = 0; lane < 4; ++lane)
        for (int r = 0; r < 4; ++r) std::memcpy(&rows[r][lane], heightMap + at[lane] + r * TextureSize, 4);
    const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[0]));
    const __m128i upper = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[1]));
    const __m128i lower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2]));
    const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[3]));
    // Across (left minus right): bytes 0, 1 of a word minus bytes 2, 3.
    const __m128i acrossUpper = _mm_sub_epi8(upper, _mm_srli_epi32(upper, 16));
    const __m128i acrossLower = _mm_sub_epi8(lower, _mm_srli_epi32(lower, 16));
    // Down (above minus below): bytes 1, 2 (columns iu, iu+1).
    const __m128i downUpper = _mm_sub_epi8(above, lower);
    const __m128i downLower = _mm_sub_epi8(upper, below);
    const __m128 gx = Bilinear(w, SignedByteAt(acrossUpper, 0), SignedByteAt(acrossUpper, 1),
                               SignedByteAt(acrossLower, 0), SignedByteAt(acrossLower, 1));
    const __m128 gy = Bilinear(w, SignedByteAt(downUpper, 1), SignedByteAt(downUpper, 2), SignedByteAt(downLower, 1),
                               SignedByteAt(downLower, 2));
    // N + (0.023 gx, 0.023 gy, 0 gx, 0 gy): the z and fourth lanes too (a -0
    // there becomes +0), as a four-lane vector addition does.
    const __m128 scale = _mm_set1_ps(BumpScale), zero = _mm_setzero_ps();
    const Lanes<SseLanes> tilted{
        _mm_add_ps(normal.x, _mm_mul_ps(scale, gx)), _mm_add_ps(normal.y, _mm_mul_ps(scale, gy)),
        _mm_add_ps(normal.z, _mm_mul_ps(zero, gx)), _mm_add_ps(normal.w, _mm_mul_ps(zero, gy))};
    return UnitNormals<SseLanes, Reciprocals>(tilted);
}

template <typename Reciprocals>
void SseLanes::TranslucentInputs(const Lanes<SseLanes>& rawNormals, const Lanes<SseLanes>& attribs, __m128 front,
                                 const FaceContext& context, Lanes<SseLanes>& normals, Channels<SseLanes>& sample) {
    if (_mm_movemask_ps(front) != 0) {
        const Lanes<SseLanes> bumped = BumpedNormals<Reciprocals>(rawNormals, attribs.x, attribs.y, context.heightMap);
        normals.x = _mm_blendv_ps(normals.x, bumped.x, front);
        normals.y = _mm_blendv_ps(normals.y, bumped.y, front);
        normals.z = _mm_blendv_ps(normals.z, bumped.z, front);
    }
    sample = TextureSamples(attribs.x, attribs.y, context.texture);
}

// Adds each byte with saturation: the store of translucent pixels.
inline uint32_t AddSaturated(uint32_t old, uint32_t added) {
    return static_cast<uint32_t>(
        _mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(old)),
                                        _mm_cvtsi32_si128(static_cast<int>(added)))));
}

// Lights the pending pixels V::Count at a time and stores them: opaque pixels
// overwrite, translucent ones add with saturation. With allOfThem, the last
// group is filled up with copies of the last pixel, lit and not stored; else
// only whole groups are lit and the rest wait at the front for more pixels.
template <typename V, typename Reciprocals, bool Opaque>
void LightPendingLanes(PendingPixels& pending, const FaceContext& context, const LaneLights& lights,
                       bool allOfThem) {
    static_assert(PendingPixels::Room >= PendingCapacity + V::Count - 1, "room to fill up the last group");
    const int count = pending.count;
    assert(count >= 0 && count <= PendingCapacity);
    int lit = count - count % V::Count;
    if (allOfThem) {
        for (int filled = count; filled % V::Count != 0; ++filled) CopyPending(pending, count - 1, filled);
        lit = count;
    }
    alignas(32) LaneConstant tint[ColourChannels];
    for (int c = 0; c < ColourChannels; ++c) Splat(tint[c], ClassColorTable[context.classColorIndex].v[c]);
    uint32_t* colour = context.colorBuffer;
    for (int first = 0; first < lit; first += V::Count) {
        const uint32_t* pixel = pending.pixel + first;
        // A whole group of neighbours in one row is read and written whole.
        const bool whole = lit - first >= V::Count;
        const bool run = whole && V::IsRun(pixel);
        const Lanes<V> attribs{V::LoadRun(pending.u + first), V::LoadRun(pending.v + first),
                               V::LoadRun(pending.depth + first), V::Zero()};
        const auto prepass = run ? V::LoadRun(context.prepassDepth + pixel[0]) : V::Gather(context.prepassDepth, pixel);
        const auto front = FrontMask<V>(attribs.z, prepass);
        const Lanes<V> rawNormals{V::LoadRun(pending.normalX + first), V::LoadRun(pending.normalY + first),
                                  V::LoadRun(pending.normalZ + first), V::Zero()};
        Lanes<V> normals = UnitNormals<V, Reciprocals>(rawNormals);
        Channels<V> sample{};
        if constexpr (!Opaque)
            V::template TranslucentInputs<Reciprocals>(rawNormals, attribs, front, context, normals, sample);

        uint32_t pixels[V::Count];
        V::PackPixels(TintedColour<V, Opaque>(LightSums<V, Opaque>(lights, normals, front), sample, tint), pixels);
        if (Opaque && run) {
            std::memcpy(colour + pixel[0], pixels, sizeof pixels);
            continue;
        }
        const int lanes = whole ? V::Count : lit - first;
        for (int j = 0; j < lanes; ++j) {
            uint32_t& target = colour[pixel[j]];
            target = Opaque ? pixels[j] : AddSaturated(target, pixels[j]);
        }
    }
    // The pixels not lit (fewer than a group) move to the front.
    const int waiting = count - lit;
    for (int k = 0; k < waiting; ++k) CopyPending(pending, lit + k, k);
    pending.count = waiting;
}

}  // namespace
}  // namespace shading
