// The eight-lane (AVX2) instance of the lane lighting. Built only for x86
// (VELMORA_EIGHT_LANES), and run only where eight_lane_check.h allows.
#pragma once
#include "render/face_context.h"
#include "render/lights.h"
#include "render/pending_pixels.h"

#if VELMORA_EIGHT_LANES
// Lights pending pixels eight at a time (exact: the portable arithmetic's
// division and square root, else the estimates; opaque pixels overwrite,
// translucent ones add): all of them, or only whole groups of eight.
void LightInEightLanes(PendingPixels& pending, const FaceContext& context, const LaneLights& lights, bool exact,
                       bool opaque, bool allOfThem);

// The eight-lane estimates of the given inputs (count a multiple of 8), for
// the start-up check that they equal the four-lane ones.
void EightLaneEstimates(const float* inputs, int count, float* reciprocals, float* reciprocalRoots);
#endif
