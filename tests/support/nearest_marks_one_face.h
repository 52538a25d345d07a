// Marking the nearest opaque fragments one face and one span at a time, the
// four depths of a step added one after the other: the reference the four-row
// marking is tested against, bit for bit.
#pragma once
#include <smmintrin.h>

#include <cstdint>

#include "core/reciprocal.h"
#include "render/band_plan.h"
#include "render/face_context.h"
#include "render/nearest_marks.h"
#include "render/row_walk.h"
#include "render/shade_edges.h"
#include "render/span_setup.h"

namespace one_face {

// What a span carries for the marking: the depth lane of the shading's
// attributes alone (lanes never mix), stepped per column by the same
// reciprocal and advanced by the same repeated addition, so every pixel sees
// the depth the shading would test.
template <typename Reciprocals>
struct DepthSpanValues {
    using End = SpanEnd;
    using Values = float;
    static constexpr int DepthLane = 2;

    static float At(const SpanEnd& end) { return end.attrib.v[DepthLane]; }
    static float StepsPerColumn(const SpanEnd& left, const SpanEnd& right, int32_t columns) {
        const float reciprocal = Reciprocals::Rcp(static_cast<float>(columns));
        return (right.attrib.v[DepthLane] - left.attrib.v[DepthLane]) * reciprocal;
    }
    static void Skip(float& depth, float step, int32_t columns) { depth = step * static_cast<float>(columns) + depth; }
};

template <typename Reciprocals>
inline bool MarkNearestSpanOneFace(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                                  uint32_t tag) {
    ClippedSpan<DepthSpanValues<Reciprocals>> span;
    if (!SetUpSpan(row, end1, end2, context.band, span)) return false;
    const int32_t right = span.right;
    const float depthStep = span.steps;
    float depth = span.values;
    const size_t rowStart = static_cast<size_t>(row) * context.width;
    float* shadeDepth = context.shadeDepth + rowStart;
    uint32_t* colour = context.colorBuffer + rowStart;
    const __m128i tags = _mm_set1_epi32(static_cast<int>(tag));
    int nearer = 0;
    int32_t column = span.left;
    // Four columns per step: the four depths still come one addition after
    // the other; the tests and the stores are done together.
    for (; column + 4 <= right; column += 4) {
        const float d1 = depth + depthStep, d2 = d1 + depthStep, d3 = d2 + depthStep;
        const __m128 depths = _mm_setr_ps(depth, d1, d2, d3);
        depth = d3 + depthStep;
        const __m128 stored = _mm_loadu_ps(shadeDepth + column);
        // Strict: an equal depth leaves the earlier face, and NaN never wins.
        // minps gives its first operand only where it is strictly smaller.
        const __m128 wins = _mm_cmplt_ps(depths, stored);
        _mm_storeu_ps(shadeDepth + column, _mm_min_ps(depths, stored));
        __m128i* words = reinterpret_cast<__m128i*>(colour + column);
        _mm_storeu_si128(words, _mm_blendv_epi8(_mm_loadu_si128(words), tags, _mm_castps_si128(wins)));
        nearer |= _mm_movemask_ps(wins);
    }
    for (; column < right; ++column) {
        if (depth < shadeDepth[column]) {
            shadeDepth[column] = depth;
            colour[column] = tag;
            nearer = 1;
        }
        depth += depthStep;
    }
    return nearer != 0;
}

template <typename Reciprocals>
RowRange MarkNearestTriangleOneFaceWith(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                                 const FaceContext& context, uint32_t tag) {
    RowRange marked{INT32_MAX, INT32_MIN};
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return RowRange{0, 0};
    WalkTriangle<ShadeEdges<Reciprocals>>(v0, v1, v2, context.band.top, context.band.bottom,
                                          [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                                              if (!MarkNearestSpanOneFace<Reciprocals>(row, longEnd, shortEnd, context, tag))
                                                  return;
                                              if (row < marked.first) marked.first = row;
                                              marked.end = row + 1;  // rows come in increasing order
                                          });
    return marked.first == INT32_MAX ? RowRange{0, 0} : marked;
}

}  // namespace one_face

// Marks the face's nearest pixels in the band and returns the rows where it
// marked any.
inline RowRange MarkNearestTriangleOneFace(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                                           const FaceContext& context, uint32_t tag) {
    return WithReciprocals([&](auto reciprocals) {
        return one_face::MarkNearestTriangleOneFaceWith<decltype(reciprocals)>(v0, v1, v2, context, tag);
    });
}
