// Whole-frame and per-stage timing of the renderer over a run of frames.
#pragma once
#include <cstdint>
#include <cstdio>

// Draws frames first..last after a warm-up and prints, for each stage (clear,
// transform and mapping, pre-pass, each band worker, the faster worker's idle
// wait, fork and join, shading) and for whole frames, the min, median, p90,
// p99 and max in milliseconds, frames per second and the critical path. With
// repeat > 1 each frame is drawn that many times and its fastest drawing
// counts (with that drawing's stage times). With csv, one line per frame:
// frame, clear, pre-pass, top band, bottom band, frame (ms), after a header.
void RunBench(uint32_t firstFrame, uint32_t lastFrame, uint32_t repeat, FILE* out, FILE* csv = nullptr);
