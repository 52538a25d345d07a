// How many pixels the lane lighting lights at once. Four SSE lanes always
// work; eight AVX2 lanes are used for opaque faces only where the processor
// has AVX2 and its eight-lane reciprocal and reciprocal-square-root estimates
// give exactly the four-lane bits (checked at start-up), and unless the
// environment variable VELMORA_SIMD is "sse41". Never FMA, never AVX-512's
// rcp14/rsqrt14.
#pragma once

// True while opaque faces are lit in eight lanes. Chosen at start-up; tests
// may switch it off and on again (on only where EightLanesUsable()).
extern bool UseEightLanes;

// The processor can run the eight-lane path with the four-lane path's bits.
bool EightLanesUsable();
