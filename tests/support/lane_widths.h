// The lane widths the lighting runs in (four SSE lanes, eight AVX2 lanes), for
// tests that run once per width: a width the processor lacks is skipped, and
// the test says why.
//   if (LaneWidthMissing(GetParam())) GTEST_SKIP() << NoEightLanes;
#pragma once
#include "render/eight_lane_check.h"

inline bool LaneWidthMissing(int lanes) { return lanes == 8 && !EightLanesUsable(); }

inline constexpr const char* NoEightLanes =
    "this processor has no eight-lane lighting (AVX2 with the four-lane estimates' bits)";
