// The two band workers: each draws every face clipped to one half of the screen,
// opaque faces first, then translucent ones.
#pragma once
#include <cstdint>

#include "platform/band_threads.h"

// Draws every face of the current frame into the rows of one band
// (0 = top half, 1 = bottom half).
// Opaque faces go through two steps: every face first marks the pixels where
// it is nearest, then only those pixels are lit (nearest_marks.h). The
// marks live in ColorBuffer, so the band's rows must hold no tag word when it
// starts, as the frame's clear to black leaves them.
void RenderBand(int band);

// The same band drawn on the product's other path only: every fragment that
// passes the depth test lit in turn (ShadeTriangle, as RenderBand draws the
// translucent faces and a frame whose faces all share one pass), the opaque
// faces first: the reference that RenderBand's two steps are tested against.
void RenderBandLightingEveryFragment(int band);

// Forks the two band workers for the current frame and returns when both
// bands are drawn.
void RunBandWorkers();

// Thread entry routines: draw band 0 (1) and end the thread with exit code 0 (1).
ThreadResult VELMORA_THREAD_CALL WorkerTop(void* unused);
ThreadResult VELMORA_THREAD_CALL WorkerBottom(void* unused);
