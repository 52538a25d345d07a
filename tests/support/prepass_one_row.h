// The depth pre-pass one span at a time, one column after the other: the
// reference the pre-pass's four-row walk is tested against, bit for bit.
#pragma once
#include <smmintrin.h>

#include <cstdint>

#include "core/scene_state.h"
#include "render/prepass.h"
#include "render/row_walk.h"

// Keeps the smaller depth at each column of the half-open span on one row of
// a Scene.width x Scene.height buffer, as the rules say it: the ends in
// order, the step by an exact division, the left clip taken for a span
// starting at column 0 too, the right end cut to the width.
inline void PrepassSpanOneRow(int16_t row, PrepassEnd end1, PrepassEnd end2, float* depthBuffer) {
    const int32_t width = Scene.width;
    if (row < 0 || row >= Scene.height || end1.x == end2.x) return;
    const PrepassEnd& leftEnd = end1.x < end2.x ? end1 : end2;
    const PrepassEnd& rightEnd = end1.x < end2.x ? end2 : end1;
    if (leftEnd.x >= width || rightEnd.x <= 0) return;
    const float step = (rightEnd.depth - leftEnd.depth) / static_cast<float>(rightEnd.x - leftEnd.x);
    float depth = leftEnd.depth;
    int32_t left = leftEnd.x;
    if (left <= 0) {
        depth = depth + static_cast<float>(-left) * step;
        left = 0;
    }
    const int32_t right = rightEnd.x > width ? width : rightEnd.x;
    float* pixel = depthBuffer + static_cast<int32_t>(row) * width;
    for (int32_t column = left; column < right; ++column) {
        // minss keeps the stored value unless depth is strictly smaller (NaN never stores).
        _mm_store_ss(pixel + column, _mm_min_ss(_mm_set_ss(depth), _mm_load_ss(pixel + column)));
        depth += step;
    }
}

inline void PrepassTriangleOneRow(PrepassVertex a, PrepassVertex b, PrepassVertex c, float* depthBuffer) {
    if (a.x < 0 && b.x < 0 && c.x < 0) return;
    WalkTriangle<PrepassEdges>(a, b, c, 0, Scene.height,
                               [depthBuffer](int32_t row, const PrepassEnd& longEnd, const PrepassEnd& shortEnd) {
                                   PrepassSpanOneRow(static_cast<int16_t>(row), longEnd, shortEnd, depthBuffer);
                               });
}
