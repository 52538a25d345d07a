// The span shader: depth test, front-surface test, bump, lighting, texture,
// class tint and store, for the pixels of one row of one face. The pixels to
// light are gathered first and lit together by the lane lighting
// (lane_lighting.h): four at a time, or eight where eight_lane_check.h allows.
#pragma once
#include <cstdint>

#include "core/types.h"
#include "render/face_context.h"
#include "render/pending_pixels.h"

// Each routine comes in the two reciprocal policies of core/reciprocal.h (the
// estimates, or portable mode's exact arithmetic); the caller picks the
// current mode's once per face (WithReciprocals).

// One row of a face between two span ends (in either order), clipped to the
// band: columns from the smaller x (included) to the larger (excluded). The
// pixels that pass the depth test (opaque ones store their depth at once)
// join the pending pixels, which are lit whenever they fill up and by
// LightPendingPixels at the end of the face, so that the face's spans fill
// the lanes together.
template <typename Reciprocals>
void GatherSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                const FaceContext& context);

// Lights and stores the pending pixels with context.lights.
template <typename Reciprocals>
void LightPendingPixels(PendingPixels& pending, const FaceContext& context);

// The second step of the opaque faces (nearest_marks.h) for one span: the
// pixels whose ColorBuffer word is the face's tag join the pending pixels
// (ShadeDepth already holds their depth).
template <typename Reciprocals>
void GatherMarkedSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                      const FaceContext& context, uint32_t tag);
