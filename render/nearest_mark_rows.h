// The first step of the opaque faces (MarkNearestSpan) four rows at a time
// (see row_lanes.h): every pixel gets the depth, the tag and the test that
// marking one span at a time gives it, and each face the same marked rows.
#pragma once
#include <cstdint>

#include "render/row_lanes.h"
#include "render/scan_convert.h"

// Spans of distinct rows of one band waiting to be marked together, one per
// lane, in the order they came; as in the pre-pass, a span whose row is
// already waiting sends the waiting ones first, so each pixel still sees the
// faces in face order. Spans that would mark nothing never wait.
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

// The rows of the face in the band (as MarkNearestTriangle walks them) join
// the waiting spans with the face's tag; marked[face] starts empty and grows
// as they are drawn.
void AddMarkTriangle(MarkRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                     uint32_t face);

// Marks the waiting spans, one row per lane.
void FlushMarkRows(MarkRows& rows);
