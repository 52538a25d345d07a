// Whether the lane lighting lights eight pixels at a time (AVX2) or four
// (SSE4.1), for opaque and translucent faces alike. Four lanes always work;
// eight are used only where the processor has AVX2 and its eight-lane
// reciprocal and reciprocal-square-root estimates give exactly the four-lane
// bits (checked once at start-up), and unless the environment variable
// VELMORA_SIMD is "sse41". Never FMA, never AVX-512's rcp14/rsqrt14.
#pragma once

// True while pixels are lit in eight lanes. Chosen at start-up; tests may
// switch it off and on again (on only where EightLanesUsable()).
extern bool UseEightLanes;

// The processor can run the eight-lane lighting with the four-lane bits.
bool EightLanesUsable();
