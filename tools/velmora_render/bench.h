// Whole-frame and per-stage timing of the renderer over a run of frames.
#pragma once
#include <cstdint>
#include <cstdio>

// Draws frames first..last after a warm-up and prints, for each stage (clear,
// transform and mapping, pre-pass, shading) and for whole frames, the min,
// median, p90, p99 and max in milliseconds, and frames per second.
void RunBench(uint32_t firstFrame, uint32_t lastFrame, FILE* out);
