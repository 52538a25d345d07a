// Small four-lane helpers. Each name says the operation and, where it matters,
// the order of its additions, so that vector code reads like the arithmetic it
// performs and never reorders a sum.
// Every helper here is always inlined, in every build type: the AVX2 file
// (render/eight_lane_lighting.cpp) uses them too, and an out-of-line copy of
// its, compiled for AVX2, could be the one the linker keeps for every caller.
#pragma once
#include <smmintrin.h>

#include "core/types.h"
#if defined(__wasm_simd128__)
#include "core/simd_wasm.h"
#endif

// Lane primitives with x86's results for every input (NaN, infinities,
// out-of-range conversions, signed zeros): the SSE instruction natively, an
// exact WebAssembly SIMD form where emscripten's translation is slow.
#if defined(__wasm_simd128__)
[[gnu::always_inline]] inline __m128 LaneMin(__m128 a, __m128 b) { return wasm_lanes::Min(a, b); }
[[gnu::always_inline]] inline __m128 LaneMax(__m128 a, __m128 b) { return wasm_lanes::Max(a, b); }
[[gnu::always_inline]] inline __m128i LaneRoundToInt32(__m128 a) { return wasm_lanes::RoundToInt32(a); }
[[gnu::always_inline]] inline __m128i LaneTruncateToInt32(__m128 a) { return wasm_lanes::TruncateToInt32(a); }
[[gnu::always_inline]] inline float ScalarMin(float a, float b) { return wasm_lanes::MinScalar(a, b); }
[[gnu::always_inline]] inline float ScalarMax(float a, float b) { return wasm_lanes::MaxScalar(a, b); }
#else
[[gnu::always_inline]] inline __m128 LaneMin(__m128 a, __m128 b) { return _mm_min_ps(a, b); }
[[gnu::always_inline]] inline __m128 LaneMax(__m128 a, __m128 b) { return _mm_max_ps(a, b); }
[[gnu::always_inline]] inline __m128i LaneRoundToInt32(__m128 a) { return _mm_cvtps_epi32(a); }
[[gnu::always_inline]] inline __m128i LaneTruncateToInt32(__m128 a) { return _mm_cvttps_epi32(a); }
[[gnu::always_inline]] inline float ScalarMin(float a, float b) {
    return _mm_cvtss_f32(_mm_min_ss(_mm_set_ss(a), _mm_set_ss(b)));
}
[[gnu::always_inline]] inline float ScalarMax(float a, float b) {
    return _mm_cvtss_f32(_mm_max_ss(_mm_set_ss(a), _mm_set_ss(b)));
}
#endif

// Loads a Vec3 as four lanes; the fourth lane is whatever follows in memory
// (every Vec3 array keeps a readable spare word after its last element).
[[gnu::always_inline]] inline __m128 LoadVec3(const Vec3* p) { return _mm_loadu_ps(&p->x); }

// Stores exactly the 12 bytes of a Vec3: x and y as one 8-byte store, then z.
[[gnu::always_inline]] inline void StoreVec3(Vec3* p, __m128 v) {
    _mm_storel_pi(reinterpret_cast<__m64*>(&p->x), v);
    _mm_store_ss(&p->z, _mm_movehl_ps(v, v));
}

[[gnu::always_inline]] inline __m128 LoadVec4(const Vec4& v) { return _mm_load_ps(v.v); }
[[gnu::always_inline]] inline void StoreVec4(Vec4& out, __m128 v) { _mm_store_ps(out.v, v); }

template <int Lane>
[[gnu::always_inline]] inline __m128 Broadcast(__m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(Lane, Lane, Lane, Lane));
}

// Sum of the four lanes of p as (p0 + p1) + (p2 + p3), in every lane.
// Float addition is commutative, so each lane gets the identical value.
[[gnu::always_inline]] inline __m128 SumPairsOrdered(__m128 p) {
    __m128 pairs = _mm_add_ps(p, _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_add_ps(pairs, _mm_shuffle_ps(pairs, pairs, _MM_SHUFFLE(1, 0, 3, 2)));
}

// Four-lane dot product a.b added as (p0 + p1) + (p2 + p3), in every lane.
[[gnu::always_inline]] inline __m128 Dot4Ordered(__m128 a, __m128 b) {
    return SumPairsOrdered(_mm_mul_ps(a, b));
}

// Three-lane dot product a.b over x, y, z added as (p0 + p1) + p2, in every lane.
[[gnu::always_inline]] inline __m128 Dot3Ordered(__m128 a, __m128 b) {
    __m128 p = _mm_mul_ps(a, b);
    __m128 p01 = _mm_add_ps(Broadcast<0>(p), Broadcast<1>(p));
    return _mm_add_ps(p01, Broadcast<2>(p));
}
