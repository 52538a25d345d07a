// Marking the nearest opaque fragments one face, one span and one pixel at a
// time: the reference the four-row marking is tested against, bit for bit.
#pragma once
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
    const size_t rowStart = static_cast<size_t>(row) * context.width;
    float* shadeDepth = context.shadeDepth + rowStart;
    uint32_t* colour = context.colorBuffer + rowStart;
    bool nearer = false;
    float depth = span.values;
    for (int32_t column = span.left; column < span.right; ++column, depth += span.steps) {
        // Strict: an equal depth leaves the earlier face, and NaN never wins.
        if (depth < shadeDepth[column]) {
            shadeDepth[column] = depth;
            colour[column] = tag;
            nearer = true;
        }
    }
    return nearer;
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
