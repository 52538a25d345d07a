// The depth pre-pass: every face drawn depth-only into PrepassDepth, keeping
// the nearest depth at each pixel. Spans are drawn four rows at a time, one
// row per lane (row_lanes.h), and every pixel receives the bits that drawing
// one span at a time would give it.
#pragma once
#include <cstdint>

#include "render/row_lanes.h"

struct PrepassVertex {
    int16_t x, y;  // screen point
    float depth;
};

struct PrepassEnd {
    int32_t x;
    float depth;
};

// What the pre-pass's edges carry besides the column (the EdgeValues of the
// row walk, row_walk.h): the depth, stepped per row by an exact division (the
// shading pass uses the estimate).
struct PrepassEdges {
    using Vertex = PrepassVertex;
    using Values = float;
    using End = PrepassEnd;

    static float At(const PrepassVertex& v) { return v.depth; }
    static float StepsPerRow(const PrepassVertex& from, const PrepassVertex& to, int32_t rows) {
        return (to.depth - from.depth) / static_cast<float>(rows);
    }
    static float NoSteps() { return 0.0f; }
    static void Add(float& depth, float step) { depth += step; }
    static PrepassEnd EndAt(int32_t column, float depth) { return PrepassEnd{column, depth}; }
};

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

// Every face, in face order, drawn depth-only into Scene.prepassDepth: every
// face whose corners all have a place on the screen, with or without a class.
void DrawPrepass();

// The corners of a face as the pre-pass draws it (screen point and depth, in
// the face's order); false when a corner has no place on the screen.
bool PrepassCornersOf(uint32_t face, PrepassVertex (&corners)[3]);

// No span waiting; spans go to depthBuffer, width x height.
PrepassRows StartPrepassRows(float* depthBuffer, int32_t width, int32_t height);

// The face's rows yA .. yC-1 on the buffer, walked with the same fixed-point
// edges as the shading pass and exact depth divisions, join the waiting spans.
void PrepassTriangle(PrepassRows& rows, PrepassVertex v0, PrepassVertex v1, PrepassVertex v2);

// One span, the two ends in either order, keeping the smaller depth at each
// column of its half-open run; it joins the waiting spans as a face of its own.
void PrepassSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2);

// Draws the waiting spans, one row per lane.
void FlushPrepassRows(PrepassRows& rows);
