// The first of the two steps of the opaque faces: depth only. The span is set
// up and clipped as ShadeSpan sets it up, and the depth advances by the same
// repeated addition (the depth lane of the attributes, added alone), so every
// pixel sees the depth ShadeSpan would test.
#include "render/shading_ops.h"
#include "render/span_shader.h"

namespace {

using namespace shading;

template <typename Reciprocals>
bool MarkNearestSpanWith(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                         uint32_t tag) {
    SpanSetup span;
    if (!SetUpSpan<Reciprocals>(row, end1, end2, context.band, span)) return false;
    const size_t rowStart = static_cast<size_t>(row) * context.width;
    float* shadeDepth = context.shadeDepth + rowStart;
    uint32_t* colour = context.colorBuffer + rowStart;
    const float depthStep = DepthOf(span.attribStep);
    float depth = DepthOf(span.attrib);
    bool marked = false;
    for (int32_t column = span.left; column < span.right; ++column) {
        // Strict: an equal depth leaves the earlier face, and NaN never wins.
        if (depth < shadeDepth[column]) {
            shadeDepth[column] = depth;
            colour[column] = tag;
            marked = true;
        }
        depth += depthStep;
    }
    return marked;
}

}  // namespace

bool MarkNearestSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                     uint32_t tag) {
    return WithReciprocals([&](auto reciprocals) {
        return MarkNearestSpanWith<decltype(reciprocals)>(row, end1, end2, context, tag);
    });
}
