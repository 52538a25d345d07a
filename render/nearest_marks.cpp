// The first of the two steps of the opaque faces: depth only. The span is
// clipped as ShadeSpan clips it, and the depth is the depth lane of ShadeSpan's
// attributes computed alone (lanes never mix), advanced by the same repeated
// addition, so every pixel sees the depth ShadeSpan would test.
#include "render/shading_ops.h"
#include "render/span_shader.h"
#include "render/triangle_walk.h"

namespace {

using namespace shading;

// The span's first column and depth and its depth step, as SetUpSpan gives
// them in the depth lane: the step from the unclipped ends, the left clip in
// one product and one sum.
template <typename Reciprocals>
inline bool SetUpDepthSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const BandRect& band,
                           int32_t& left, int32_t& right, float& depth, float& depthStep) {
    if (row < band.top || row >= band.bottom) return false;
    if (end1.x == end2.x) return false;
    const SpanEnd& leftEnd = end1.x < end2.x ? end1 : end2;
    const SpanEnd& rightEnd = end1.x < end2.x ? end2 : end1;
    left = leftEnd.x;
    right = rightEnd.x;
    if (left >= band.right || right <= band.left) return false;
    constexpr int DepthLane = 2;
    const float reciprocal = Reciprocals::Rcp(static_cast<float>(right - left));
    depthStep = (rightEnd.attrib.v[DepthLane] - leftEnd.attrib.v[DepthLane]) * reciprocal;
    depth = leftEnd.attrib.v[DepthLane];
    if (left < band.left) {
        depth = depthStep * static_cast<float>(band.left - left) + depth;
        left = band.left;
    }
    if (right >= band.right) right = band.right;
    return true;
}

template <typename Reciprocals>
bool MarkNearestSpanWith(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                         uint32_t tag) {
    int32_t left, right;
    float depth, depthStep;
    if (!SetUpDepthSpan<Reciprocals>(row, end1, end2, context.band, left, right, depth, depthStep)) return false;
    const size_t rowStart = static_cast<size_t>(row) * context.width;
    float* shadeDepth = context.shadeDepth + rowStart;
    uint32_t* colour = context.colorBuffer + rowStart;
    const __m128i tags = _mm_set1_epi32(static_cast<int>(tag));
    int nearer = 0;
    int32_t column = left;
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
        _mm_storeu_ps(shadeDepth + column, LaneMin(depths, stored));
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

// The walk and the span in one unit, so the span routine is inlined into the
// walk and the ends' unused normals are never stored.
template <typename Reciprocals>
RowRange MarkNearestTriangleWith(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                                 const FaceContext& context, uint32_t tag) {
    RowRange marked{INT32_MAX, INT32_MIN};
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return RowRange{0, 0};
    WalkTriangle<ShadeEdges<Reciprocals>>(v0, v1, v2, context.band.top, context.band.bottom,
                                          [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                                              if (!MarkNearestSpanWith<Reciprocals>(row, longEnd, shortEnd, context, tag))
                                                  return;
                                              if (row < marked.first) marked.first = row;
                                              marked.end = row + 1;  // rows come in increasing order
                                          });
    return marked.first == INT32_MAX ? RowRange{0, 0} : marked;
}

}  // namespace

bool MarkNearestSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                     uint32_t tag) {
    return WithReciprocals([&](auto reciprocals) {
        return MarkNearestSpanWith<decltype(reciprocals)>(row, end1, end2, context, tag);
    });
}

RowRange MarkNearestTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                             const FaceContext& context, uint32_t tag) {
    return WithReciprocals([&](auto reciprocals) {
        return MarkNearestTriangleWith<decltype(reciprocals)>(v0, v1, v2, context, tag);
    });
}
