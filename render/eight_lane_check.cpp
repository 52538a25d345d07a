#include "render/eight_lane_check.h"

#include <smmintrin.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "render/eight_lane_lighting.h"

namespace {

#if VELMORA_EIGHT_LANES
// Inputs for the start-up check: every 12-bit leading mantissa pattern (the
// estimates come from tables indexed by the leading mantissa bits) once with
// an even and once with an odd exponent (the square-root estimate depends on
// its parity), magnitudes spread from 2^-20 to 2^19, some low mantissa bits
// set too: 8192 values in all.
constexpr int MantissaPatterns = 4096;
constexpr int CheckedInputs = 2 * MantissaPatterns;
constexpr int MantissaShift = 11;  // 23 mantissa bits, the leading 12 varied
constexpr uint32_t MantissaMask = 0x7FFFFF;
constexpr int ExponentShift = 23;
constexpr uint32_t SmallestExponent = 127 - 20;  // 2^-20
constexpr uint32_t ExponentPairs = 20;           // up to 2^19

float CheckInput(int i) {
    const uint32_t n = static_cast<uint32_t>(i);
    const uint32_t exponent = SmallestExponent + 2 * (n / 7 % ExponentPairs) + n / MantissaPatterns;
    const uint32_t mantissa = (n % MantissaPatterns) << MantissaShift | (n * 2654435761u >> 21);
    const uint32_t bits = exponent << ExponentShift | (mantissa & MantissaMask);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool EightLanesGiveFourLaneBits() {
    static float inputs[CheckedInputs], wideRcp[CheckedInputs], wideRsqrt[CheckedInputs];
    for (int i = 0; i < CheckedInputs; ++i) inputs[i] = CheckInput(i);
    EightLaneEstimates(inputs, CheckedInputs, wideRcp, wideRsqrt);
    for (int i = 0; i < CheckedInputs; i += 4) {
        const __m128 x = _mm_loadu_ps(inputs + i);
        const __m128i rcp = _mm_castps_si128(_mm_rcp_ps(x));
        const __m128i rsqrt = _mm_castps_si128(_mm_rsqrt_ps(x));
        const __m128i same = _mm_and_si128(
            _mm_cmpeq_epi32(rcp, _mm_loadu_si128(reinterpret_cast<const __m128i*>(wideRcp + i))),
            _mm_cmpeq_epi32(rsqrt, _mm_loadu_si128(reinterpret_cast<const __m128i*>(wideRsqrt + i))));
        if (_mm_movemask_epi8(same) != 0xFFFF) return false;
    }
    return true;
}

bool ChooseEightLanes() {
    const char* simd = std::getenv("VELMORA_SIMD");
    if (simd != nullptr && std::strcmp(simd, "sse41") == 0) return false;
    return EightLanesUsable();
}
#endif

}  // namespace

#if VELMORA_EIGHT_LANES
bool EightLanesUsable() {
    static const bool usable = __builtin_cpu_supports("avx2") && EightLanesGiveFourLaneBits();
    return usable;
}
bool UseEightLanes = ChooseEightLanes();
#else
bool EightLanesUsable() { return false; }
bool UseEightLanes = false;
#endif
