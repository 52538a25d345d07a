// Whole-frame and per-stage timing of the renderer over a run of frames.
#pragma once
#include <cstdint>
#include <cstdio>

// Draws frames first..last after a warm-up and prints, for each stage (clear,
// transform and mapping, pre-pass, shading) and for whole frames, the min,
// median, p90, p99 and max in milliseconds, and frames per second. With
// repeat > 1 each frame is drawn that many times and its fastest drawing
// counts (with that drawing's stage times).
void RunBench(uint32_t firstFrame, uint32_t lastFrame, uint32_t repeat, FILE* out);
