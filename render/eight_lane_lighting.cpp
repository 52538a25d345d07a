// The eight-lane (AVX2) lighting: the same body as the four-lane lighting
// (lane_lighting.h) over eight lanes. This file alone is compiled with -mavx2
// (never -mfma), and its code runs only where start-up found AVX2 and
// eight-lane estimates equal to the four-lane ones.
#include "render/eight_lane_lighting.h"

#include <immintrin.h>

#include <cassert>

#include "core/reciprocal.h"
#include "render/lane_lighting.h"

namespace {

using namespace shading;

// The reciprocal policies' eight-lane forms: the same estimates, or the same
// exact division and square root.
template <typename Reciprocals>
__m256 Rsqrt8(__m256 x);
template <>
__m256 Rsqrt8<EstimatedReciprocals>(__m256 x) {
    return _mm256_rsqrt_ps(x);
}
template <>
__m256 Rsqrt8<ExactReciprocals>(__m256 x) {
    return _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_sqrt_ps(x));
}

struct AvxLanes {
    using F = __m256;
    static constexpr int Count = 8;
    static constexpr int AllLanes = 0xFF;
    static F Add(F a, F b) { return _mm256_add_ps(a, b); }
    static F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static F Min(F a, F b) { return _mm256_min_ps(a, b); }  // minps/maxps: second operand for NaN, as in SSE
    static F Max(F a, F b) { return _mm256_max_ps(a, b); }
    static F And(F a, F b) { return _mm256_and_ps(a, b); }
    static F CmpGe(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GE_OS); }  // as cmpleps b, a: false for NaN
    static F CmpLt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OS); }
    static F Blend(F a, F b, F mask) { return _mm256_blendv_ps(a, b, mask); }
    static F Set1(float v) { return _mm256_set1_ps(v); }
    static F Zero() { return _mm256_setzero_ps(); }
    static F Load(const LaneConstant& copies) { return _mm256_load_ps(copies); }
    static int MoveMask(F mask) { return _mm256_movemask_ps(mask); }
    template <typename Reciprocals>
    static F Rsqrt(F x) { return Rsqrt8<Reciprocals>(x); }

    static F Gather(const float* base, const uint32_t* index) {
        return _mm256_setr_ps(base[index[0]], base[index[1]], base[index[2]], base[index[3]], base[index[4]],
                              base[index[5]], base[index[6]], base[index[7]]);
    }
    static F LoadRun(const float* p) { return _mm256_loadu_ps(p); }
    static bool IsRun(const uint32_t* index) {
        const __m256i indices = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index));
        const __m256i run =
            _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(index[0])), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        return _mm256_movemask_epi8(_mm256_cmpeq_epi32(indices, run)) == -1;
    }
    // The packs and the byte shuffle work within each 128-bit half, so each
    // half gives four pixels exactly as SseLanes::PackPixels does.
    static void PackPixels(const Channels<AvxLanes>& colour, uint32_t* out) {
        const __m256i blue = _mm256_srai_epi32(_mm256_cvtps_epi32(colour.c[0]), 8);
        const __m256i green = _mm256_srai_epi32(_mm256_cvtps_epi32(colour.c[1]), 8);
        const __m256i red = _mm256_srai_epi32(_mm256_cvtps_epi32(colour.c[2]), 8);
        const __m256i bytes =
            _mm256_packus_epi16(_mm256_packs_epi32(blue, green), _mm256_packs_epi32(red, _mm256_setzero_si256()));
        const __m128i order = SseLanes::PixelOrder();
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_shuffle_epi8(bytes, _mm256_set_m128i(order, order)));
    }
    // Translucent pixels' texture and height reads go pixel by pixel anyway:
    // each half takes the four-lane inputs, lane for lane the same arithmetic.
    template <typename Reciprocals>
    static void TranslucentInputs(const Lanes<AvxLanes>& rawNormals, const Lanes<AvxLanes>& attribs, F front,
                                  const FaceContext& context, Lanes<AvxLanes>& normals, Channels<AvxLanes>& sample) {
        Lanes<SseLanes> low = Half<0>(normals), high = Half<1>(normals);
        Channels<SseLanes> lowSample, highSample;
        SseLanes::TranslucentInputs<Reciprocals>(Half<0>(rawNormals), Half<0>(attribs), _mm256_extractf128_ps(front, 0),
                                                 context, low, lowSample);
        SseLanes::TranslucentInputs<Reciprocals>(Half<1>(rawNormals), Half<1>(attribs), _mm256_extractf128_ps(front, 1),
                                                 context, high, highSample);
        normals = Lanes<AvxLanes>{_mm256_set_m128(high.x, low.x), _mm256_set_m128(high.y, low.y),
                                  _mm256_set_m128(high.z, low.z), _mm256_set_m128(high.w, low.w)};
        for (int c = 0; c < ColourChannels; ++c) sample.c[c] = _mm256_set_m128(highSample.c[c], lowSample.c[c]);
    }
    // Lanes 0-3 (H = 0) or 4-7 (H = 1).
    template <int H>
    static Lanes<SseLanes> Half(const Lanes<AvxLanes>& v) {
        return Lanes<SseLanes>{_mm256_extractf128_ps(v.x, H), _mm256_extractf128_ps(v.y, H),
                               _mm256_extractf128_ps(v.z, H), _mm256_extractf128_ps(v.w, H)};
    }
};

}  // namespace

void LightInEightLanes(PendingPixels& pending, const FaceContext& context, const LaneLights& lights, bool exact,
                       bool opaque, bool allOfThem) {
    if (opaque) {
        if (exact)
            LightPendingLanes<AvxLanes, ExactReciprocals, true>(pending, context, lights, allOfThem);
        else
            LightPendingLanes<AvxLanes, EstimatedReciprocals, true>(pending, context, lights, allOfThem);
    } else {
        if (exact)
            LightPendingLanes<AvxLanes, ExactReciprocals, false>(pending, context, lights, allOfThem);
        else
            LightPendingLanes<AvxLanes, EstimatedReciprocals, false>(pending, context, lights, allOfThem);
    }
}

void EightLaneEstimates(const float* inputs, int count, float* reciprocals, float* reciprocalRoots) {
    assert(count % 8 == 0);
    for (int i = 0; i < count; i += 8) {
        const __m256 x = _mm256_loadu_ps(inputs + i);
        _mm256_storeu_ps(reciprocals + i, _mm256_rcp_ps(x));
        _mm256_storeu_ps(reciprocalRoots + i, _mm256_rsqrt_ps(x));
    }
}
