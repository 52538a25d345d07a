// The depth pre-pass: every face drawn depth-only into PrepassDepth, keeping
// the nearest depth at each pixel. Spans are drawn four rows at a time, one
// row per lane (row_lanes.h), and every pixel receives the bits that drawing
// one span at a time would give it.
#pragma once
#include <cstdint>

#include "core/types.h"
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

// The pre-pass's part in the lane batch (row_lanes.h): spans of a width x
// height depth buffer, their steps by exact divisions, the left clip taken
// at column 0 too, and each lane keeping the smaller depth at every column.
// Spans that come in face order thus meet each pixel in face order, which
// decides between +0 and -0, the only equal depths a minimum tells apart.
struct PrepassLanes {
    float* depthBuffer;
    int32_t width, height;

    static constexpr bool ClipsAtLeftBound = true;
    BandRect Bounds() const { return BandRect{0, height, 0, width}; }
    __m128 DepthSteps(__m128 depthDelta, __m128i columns) const;
    void Walk(const LaneBatch<PrepassLanes>& batch, const LaneSpans& spans) const;
};
using PrepassRows = LaneBatch<PrepassLanes>;

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
