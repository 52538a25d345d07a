// The span shader: depth test, front-surface test, bump, lighting, texture,
// class tint and store, for the pixels of one face. The face's rows are set up
// one at a time (span_setup.h) and walked four at a time, one row per lane,
// each component of the normal and the attributes its own vector: one
// addition advances every row's chain, and each lane adds its own row's step
// once per column from its own first column, exactly as that row alone would.
// The pixels to light join the pending pixels (pending_pixels.h), which the
// lane lighting (lane_lighting.h) lights four at a time, or eight where
// eight_lane_check.h allows.
#pragma once
#include <smmintrin.h>

#include <cstdint>

#include "core/types.h"
#include "render/face_context.h"
#include "render/nearest_marks.h"
#include "render/pending_pixels.h"
#include "render/row_lanes.h"

// The word the marked gathering looks for: none, for the depth-tested one.
constexpr uint32_t NoMarks = 0;

// One face's rows waiting to be walked together (up to RowLanes, each on its
// own lane) and its pixels waiting to be lit. A face's rows all differ, so
// its lanes never meet at a pixel.
struct FaceRows {
    // The face's tag (band_plan.h) for GatherMarkedFace; NoMarks for GatherSpan and GatherFace.
    uint32_t tag = NoMarks;
    int count = 0;
    alignas(16) int32_t length[RowLanes];       // columns to walk, at least 1
    alignas(16) int32_t left[RowLanes];         // first column
    alignas(16) uint32_t firstPixel[RowLanes];  // index of the first column's pixel
    __m128 normal[RowLanes], attrib[RowLanes];  // at the first column
    __m128 normalStep[RowLanes], attribStep[RowLanes];
    PendingPixels pending;
};

// Each routine comes in the two reciprocal policies of core/reciprocal.h (the
// estimates, or portable mode's exact arithmetic); the caller picks the
// current mode's once per face (WithReciprocals).

// One row of the face between two span ends (in either order), clipped to the
// band: columns from the smaller x (included) to the larger (excluded). Its
// pixels that pass the depth test join the pending pixels, and opaque ones
// store their depth, when its lanes are walked.
template <typename Reciprocals>
void GatherSpan(FaceRows& rows, int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context);

// GatherSpan for every row of the face in the band, walked by the row walker
// (row_walk.h) with the shading pass's edges (shade_edges.h).
template <typename Reciprocals>
void GatherFace(FaceRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                const FaceContext& context);

// The second step of the opaque faces (nearest_marks.h): in each row of
// `marked`, the pixels whose ColorBuffer word is rows.tag join the pending
// pixels (ShadeDepth already holds their depth). A row is walked up to its
// last such pixel; a row with none is not walked. The rows before `marked`
// are still walked by the row walker (their edges advance) but not handed on.
template <typename Reciprocals>
void GatherMarkedFace(FaceRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                      RowRange marked, const FaceContext& context);

// The end of the face: its waiting rows walked, every pending pixel lit with
// context.lights and stored.
template <typename Reciprocals>
void LightFaceRows(FaceRows& rows, const FaceContext& context);
