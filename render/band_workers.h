// The two band workers: each draws every face clipped to one half of the screen,
// opaque faces first, then translucent ones.
#pragma once
#include <cstdint>

#include "platform/band_threads.h"

// Draws every face of the current frame into the rows of one band
// (0 = top half, 1 = bottom half).
void RenderBand(int band);

// Forks the two band workers for the current frame and returns when both
// bands are drawn.
void RunBandWorkers();

// Thread entry routines: draw band 0 (1) and end the thread with exit code 0 (1).
ThreadResult VELMORA_THREAD_CALL WorkerTop(void* unused);
ThreadResult VELMORA_THREAD_CALL WorkerBottom(void* unused);
