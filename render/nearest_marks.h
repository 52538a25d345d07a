// The first of the two steps of the opaque faces: depth only. Each opaque face,
// in face order, keeps the nearest depth at each pixel exactly as lighting
// every fragment would (the same pixels, the same depths, the same strict
// test) and, instead of lighting, puts the face's tag into ColorBuffer where
// its depth wins. The fragment that holds the tag at the end is the one whose
// colour would be left there, so the second step (ShadeMarkedTriangle) lights
// only those. Spans are marked four rows at a time, one row per lane
// (row_lanes.h), and every pixel gets what marking one span at a time gives it.
#pragma once
#include <cstdint>

#include "render/band_plan.h"
#include "render/face_context.h"
#include "render/row_lanes.h"

// The rows of a face, [first, end), in which some pixel took the face's tag.
struct RowRange {
    int32_t first, end;
    bool Empty() const { return first >= end; }
};

// The marking's part in the lane batch (row_lanes.h): spans of one band,
// their steps by the shading's reciprocal of the column count, the left clip
// only left of the band; each lane keeps the nearer depth in ShadeDepth and
// puts its face's tag in ColorBuffer where it wins, and the face's marked
// rows grow to take in the lane's row.
struct MarkLanes {
    const FaceContext* context;
    RowRange* marked;  // per face, the rows where it took its tag

    static constexpr bool ClipsAtLeftBound = false;
    BandRect Bounds() const { return context->band; }
    __m128 DepthSteps(__m128 depthDelta, __m128i columns) const;
    void Walk(const LaneBatch<MarkLanes>& batch, const LaneSpans& spans) const;
};
using MarkRows = LaneBatch<MarkLanes>;

// No span waiting; faces' marked rows go to marked[face].
MarkRows StartMarkRows(const FaceContext& context, RowRange* marked);

// The face's rows in the band join the waiting spans with the face's tag
// (NearestTag(face)), unless FaceTouchesBand rejects it; marked[face] starts
// empty and grows as they are marked.
void MarkNearestTriangle(MarkRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         uint32_t face);

// Marks the waiting spans, one row per lane.
void FlushMarkRows(MarkRows& rows);

// The first step for a whole band: every face of the other classes' pass
// (band_plan.h), in face order, marked in the context's band. marked has a
// place for every face below DrawnFaceCount(); it gets the rows where each
// face took its tag (empty for the faces that took none or are not drawn).
void MarkNearestFaces(const FaceContext& context, RowRange* marked);
