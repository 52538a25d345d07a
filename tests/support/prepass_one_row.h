// The depth pre-pass one span at a time, one column after the other: the
// reference the pre-pass's four-row walk is tested against, bit for bit.
#pragma once
#include <smmintrin.h>

#include <cstdint>

#include "core/scene_state.h"
#include "render/prepass.h"
#include "render/row_walk.h"
#include "render/span_setup.h"

// What a pre-pass span carries: the depth, stepped per column by an exact
// division, the left clip taken even for a span starting at column 0.
struct PrepassSpanValues {
    using End = PrepassEnd;
    using Values = float;
    static constexpr bool SkipsAtBandEdge = true;

    static float At(const PrepassEnd& end) { return end.depth; }
    static float StepsPerColumn(const PrepassEnd& left, const PrepassEnd& right, int32_t columns) {
        return (right.depth - left.depth) / static_cast<float>(columns);
    }
    static void Skip(float& depth, float step, int32_t columns) { depth = depth + static_cast<float>(columns) * step; }
};

// Keeps the smaller depth at each column of the half-open span on one row of
// a Scene.width x Scene.height buffer.
inline void PrepassSpanOneRow(int16_t row, PrepassEnd end1, PrepassEnd end2, float* depthBuffer) {
    const int32_t width = Scene.width;
    ClippedSpan<PrepassSpanValues> span;
    if (!SetUpSpan(row, end1, end2, BandRect{0, Scene.height, 0, width}, span)) return;
    float depth = span.values;
    float* pixel = depthBuffer + static_cast<int32_t>(row) * width;
    for (int32_t column = span.left; column < span.right; ++column) {
        // minss keeps the stored value unless depth is strictly smaller (NaN never stores).
        _mm_store_ss(pixel + column, _mm_min_ss(_mm_set_ss(depth), _mm_load_ss(pixel + column)));
        depth += span.steps;
    }
}

inline void PrepassTriangleOneRow(PrepassVertex a, PrepassVertex b, PrepassVertex c, float* depthBuffer) {
    if (a.x < 0 && b.x < 0 && c.x < 0) return;
    WalkTriangle<PrepassEdges>(a, b, c, 0, Scene.height,
                               [depthBuffer](int32_t row, const PrepassEnd& longEnd, const PrepassEnd& shortEnd) {
                                   PrepassSpanOneRow(static_cast<int16_t>(row), longEnd, shortEnd, depthBuffer);
                               });
}
