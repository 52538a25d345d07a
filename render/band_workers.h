// The two band workers: each draws every face clipped to one half of the screen,
// opaque faces first, then translucent ones.
#pragma once
#include <cstdint>

// Clears the rows of one band (0 = top half, 1 = bottom half) in ColorBuffer
// and ShadeDepth, then draws every face of the current frame into them.
// Opaque faces go through two steps: every face first marks the pixels where
// it is nearest, then only those pixels are lit (nearest_marks.h); the marks
// live in ColorBuffer, which the clear to black leaves free of tag words.
void RenderBand(int band);

// The same band cleared and drawn on the product's other path only: every fragment that
// passes the depth test lit in turn (ShadeTriangle, as RenderBand draws the
// translucent faces and a frame whose faces all share one pass), the opaque
// faces first: the reference that RenderBand's two steps are tested against.
void RenderBandLightingEveryFragment(int band);
