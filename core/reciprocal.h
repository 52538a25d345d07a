// Reciprocals and reciprocal square roots, the two ways the program may take
// them. By default the processor's fast estimates (relative error at most
// 1.5 * 2^-12, last bits differing between processor models); in portable
// mode the exact IEEE results, identical on every processor and in
// WebAssembly. Hot code is a template on one of the two policies and picks
// the instance once per span or face, never per pixel. The policies' members
// are always inlined: the AVX2 file uses them too (see core/simd.h).
#pragma once
#include <smmintrin.h>

// True: exact 1/x and 1/sqrt(x) wherever the estimates would be used.
// Set once before the scene is prepared; WebAssembly builds and
// VELMORA_PORTABLE builds start with it on.
extern bool PortableArithmetic;

struct EstimatedReciprocals {
    [[gnu::always_inline]] static __m128 Rcp(__m128 x) { return _mm_rcp_ps(x); }
    [[gnu::always_inline]] static float Rcp(float x) { return _mm_cvtss_f32(_mm_rcp_ss(_mm_set_ss(x))); }
    [[gnu::always_inline]] static __m128 Rsqrt(__m128 x) { return _mm_rsqrt_ps(x); }
};

struct ExactReciprocals {
    [[gnu::always_inline]] static __m128 Rcp(__m128 x) { return _mm_div_ps(_mm_set1_ps(1.0f), x); }
    [[gnu::always_inline]] static float Rcp(float x) { return 1.0f / x; }
    [[gnu::always_inline]] static __m128 Rsqrt(__m128 x) {
        return _mm_div_ps(_mm_set1_ps(1.0f), _mm_sqrt_ps(x));
    }
};

// Calls body(Policy{}) with the policy the current mode asks for.
template <typename Body>
inline decltype(auto) WithReciprocals(Body&& body) {
    if (PortableArithmetic) return body(ExactReciprocals{});
    return body(EstimatedReciprocals{});
}

// For start-up code, where one branch per call costs nothing.
inline float ReciprocalOf(float x) {
    return PortableArithmetic ? ExactReciprocals::Rcp(x) : EstimatedReciprocals::Rcp(x);
}
inline __m128 ReciprocalSqrtOf(__m128 x) {
    return PortableArithmetic ? ExactReciprocals::Rsqrt(x) : EstimatedReciprocals::Rsqrt(x);
}
