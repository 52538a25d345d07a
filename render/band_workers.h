// The two band workers: each draws every face clipped to one half of the screen,
// opaque faces first, then translucent ones.
#pragma once
#include <cstdint>

#include "render/face_context.h"

// Clears the rows of one band (0 = top half, 1 = bottom half) in ColorBuffer
// and ShadeDepth, then draws every face of the current frame into them.
// Opaque faces go through two steps: every face first marks the pixels where
// it is nearest, then only those pixels are lit (nearest_marks.h); the marks
// live in ColorBuffer, which the clear to black leaves free of tag words.
void RenderBand(int band);

// Every face of one pass (band_plan.h), in face order, every fragment lit as
// it passes the depth test: RenderBand's way for the translucent faces, and
// for every face when both passes hold all of them.
void DrawEveryFragment(int32_t pass, FaceContext& context);
