// The lane primitives of core/simd.h applied to edge inputs, one result per
// line as hexadecimal bits. Built natively, where the SSE instructions give
// x86's results, and for WebAssembly, where core/simd_wasm.h stands in for
// them: the two outputs must be identical (lane_primitives_match.sh).
//   lane_primitives            (node --no-experimental-fetch lane_primitives.js)
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "core/simd.h"

namespace {

uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

float FromBits(uint32_t b) {
    float f;
    std::memcpy(&f, &b, sizeof f);
    return f;
}

// NaNs of both signs and with a payload, infinities, signed zeros, subnormals,
// ties for the rounding, and the edges of the 32-bit integer range.
std::vector<float> EdgeInputs() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {FromBits(0x7FC00000u), FromBits(0xFFC00000u), FromBits(0x7F800001u), FromBits(0xFFA5A5A5u),
                            inf, -inf, 0.0f, -0.0f, FromBits(1u), FromBits(0x80000001u),
                            std::numeric_limits<float>::min(), std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max(), 0.5f, 1.5f, 2.5f, -0.5f, -1.5f, -2.5f,
                            0.49999997f, 1.0f, -1.0f, 127.99999f, 255.5f, 65535.5f, 8388607.5f, 16777217.0f,
                            2147483520.0f, 2147483648.0f, -2147483648.0f, -2147483904.0f, 3e9f, -3e9f, 1e20f, -1e20f};
    return v;
}

void PrintLanes(const char* what, __m128i r) {
    alignas(16) uint32_t out[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(out), r);
    std::printf("%s %08x %08x %08x %08x\n", what, out[0], out[1], out[2], out[3]);
}

}  // namespace

int main() {
    const std::vector<float> inputs = EdgeInputs();
    // Conversions: each input in every lane position once, beside 0.75.
    for (float x : inputs) {
        const __m128 lanes = _mm_setr_ps(x, 0.75f, -x, x * 0.5f);
        std::printf("in %08x\n", Bits(x));
        PrintLanes(" round", LaneRoundToInt32(lanes));
        PrintLanes(" truncate", LaneTruncateToInt32(lanes));
    }
    // Minimum and maximum of every ordered pair, in lanes and on scalars.
    for (float a : inputs) {
        for (size_t j = 0; j < inputs.size(); j += 4) {
            alignas(16) float b[4];
            for (int k = 0; k < 4; ++k) b[k] = inputs[(j + k) % inputs.size()];
            const __m128 av = _mm_set1_ps(a), bv = _mm_load_ps(b);
            std::printf("pair %08x %08x..\n", Bits(a), Bits(b[0]));
            PrintLanes(" min", _mm_castps_si128(LaneMin(av, bv)));
            PrintLanes(" max", _mm_castps_si128(LaneMax(av, bv)));
            PrintLanes(" min'", _mm_castps_si128(LaneMin(bv, av)));
            PrintLanes(" max'", _mm_castps_si128(LaneMax(bv, av)));
            for (float c : b)
                std::printf(" scalar %08x %08x %08x %08x\n", Bits(ScalarMin(a, c)), Bits(ScalarMax(a, c)),
                            Bits(ScalarMin(c, a)), Bits(ScalarMax(c, a)));
        }
    }
    return 0;
}
