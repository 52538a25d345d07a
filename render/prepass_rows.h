// The depth pre-pass four rows at a time (see row_lanes.h): every pixel
// receives the bits PrepassSpan would give it.
#pragma once
#include <cstdint>

#include "render/prepass.h"
#include "render/row_lanes.h"

// Spans of distinct rows waiting to be drawn together, one per lane, in the
// order they came. A span whose row is already waiting sends the waiting ones
// to the buffer first, so each pixel still sees its spans in face order (which
// decides between +0 and -0, the only equal depths a minimum tells apart).
// Spans that would draw nothing never wait.
struct PrepassRows {
    float* depthBuffer;
    int32_t width, height;
    int count;
    int earlierFaces;  // the first lanes, whose spans came from faces before the current one
    alignas(16) int32_t row[RowLanes];
    alignas(16) int32_t x1[RowLanes], x2[RowLanes];
    alignas(16) float depth1[RowLanes], depth2[RowLanes];
};

// No span waiting; spans go to depthBuffer, width x height.
PrepassRows StartPrepassRows(float* depthBuffer, int32_t width, int32_t height);

// PrepassSpan's span (the two ends in either order) joins the waiting ones,
// as a face of its own.
void AddPrepassSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2);

// Draws the waiting spans, one row per lane.
void FlushPrepassRows(PrepassRows& rows);

// PrepassTriangle's rows as spans of the batch (the same walk, the same ends).
void AddPrepassTriangle(PrepassRows& rows, PrepassVertex a, PrepassVertex b, PrepassVertex c);
