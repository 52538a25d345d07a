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

// Spans of distinct rows of one band waiting to be marked together, one per
// lane, in the order they came; a span whose row is already waiting sends the
// waiting ones first, so each pixel still sees the faces in face order. Spans
// that would mark nothing never wait.
struct MarkRows {
    const FaceContext* context;
    RowRange* marked;  // per face, the rows where it took its tag
    int count;
    int earlierFaces;  // the first lanes, whose spans came from faces before the current one
    alignas(16) int32_t row[RowLanes];
    alignas(16) int32_t x1[RowLanes], x2[RowLanes];
    alignas(16) float depth1[RowLanes], depth2[RowLanes];
    uint32_t face[RowLanes];
};

// No span waiting; faces' marked rows go to marked[face].
MarkRows StartMarkRows(const FaceContext& context, RowRange* marked);

// The face's rows in the band join the waiting spans with the face's tag
// (NearestTag(face)), unless FaceTouchesBand rejects it; marked[face] starts
// empty and grows as they are marked.
void MarkNearestTriangle(MarkRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         uint32_t face);

// Marks the waiting spans, one row per lane.
void FlushMarkRows(MarkRows& rows);
