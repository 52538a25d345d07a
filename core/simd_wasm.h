// WebAssembly SIMD forms of the lane primitives whose SSE translation is slow
// in emscripten: its cvtps2dq and cvttps2dq are loops of four scalar
// conversions through lrint, and its minps and maxps a compare and a select.
// Each form here gives exactly the bits of the x86 instruction, NaN, infinity,
// out-of-range and signed-zero inputs included; core/simd.h picks them when
// compiling for WebAssembly.
#pragma once
#include <wasm_simd128.h>
#include <xmmintrin.h>

#include <cstdint>

namespace wasm_lanes {

// minps(a, b): a where a < b, else b (so b for NaN and for equal zeros).
// pmin(x, y) is y < x ? y : x, hence the swapped operands.
inline __m128 Min(__m128 a, __m128 b) { return (__m128)wasm_f32x4_pmin((v128_t)b, (v128_t)a); }

// maxps(a, b): a where a > b, else b.
inline __m128 Max(__m128 a, __m128 b) { return (__m128)wasm_f32x4_pmax((v128_t)b, (v128_t)a); }

// Lanes that x86 converts to the "integer indefinite" 0x80000000: NaN and
// everything not below 2^31 (below -2^31 saturates to the same value anyway).
inline v128_t X86Indefinite(v128_t integral, v128_t converted) {
    const v128_t inRange = wasm_f32x4_lt(integral, wasm_f32x4_splat(2147483648.0f));
    return wasm_v128_bitselect(converted, wasm_i32x4_splat(INT32_MIN), inRange);
}

// cvttps2dq: truncation toward zero.
inline __m128i TruncateToInt32(__m128 a) {
    const v128_t value = (v128_t)a;
    return (__m128i)X86Indefinite(value, wasm_i32x4_trunc_sat_f32x4(value));
}

// cvtps2dq under the default rounding: to nearest, ties to even.
inline __m128i RoundToInt32(__m128 a) {
    const v128_t rounded = wasm_f32x4_nearest((v128_t)a);
    return (__m128i)X86Indefinite(rounded, wasm_i32x4_trunc_sat_f32x4(rounded));
}

// minss on the low lane: a where a < b, else b.
inline float MinScalar(float a, float b) { return a < b ? a : b; }
inline float MaxScalar(float a, float b) { return a > b ? a : b; }

}  // namespace wasm_lanes
