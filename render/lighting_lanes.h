// How many pixels the batched shader lights at once. Four SSE lanes always
// work; eight AVX2 lanes are used for opaque faces only where the processor
// has AVX2 and its eight-lane reciprocal and reciprocal-square-root estimates
// give exactly the four-lane bits (checked at start-up), and unless the
// environment variable VELMORA_SIMD is "sse41". Never FMA, never AVX-512's
// rcp14/rsqrt14.
#pragma once

#include "render/span_shader.h"

namespace shading {
struct LaneLights;
}

// True while opaque faces are lit in eight lanes. Chosen at start-up; tests
// may switch it off and on again (on only where EightLanesUsable()).
extern bool UseEightLanes;

// The processor can run the eight-lane path with the four-lane path's bits.
bool EightLanesUsable();

// Lights opaque pending pixels eight at a time (exact: the portable
// arithmetic's division and square root, else the estimates).
void LightOpaqueInEightLanes(PendingPixels& pending, const FaceContext& context, const shading::LaneLights& lights,
                             bool exact);

#if VELMORA_EIGHT_LANES
// From the AVX2 unit: the eight-lane estimates of the given inputs.
void EightLaneEstimates(const float* inputs, int count, float* reciprocals, float* reciprocalRoots);
#endif
