// The span shader one pixel at a time, the x, y, z of each vector in the lanes:
// the plain form of the arithmetic, which the batched shaders must match bit
// for bit.
#include "render/shading_ops.h"
#include "render/span_shader.h"

namespace {

using namespace shading;

template <typename Reciprocals>
void ShadeSpanPerPixelWith(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context) {
    SpanSetup span;
    if (!SetUpSpan<Reciprocals>(row, end1, end2, context.band, span)) return;
    const uint32_t classIndex = context.classColorIndex;
    const bool opaque = classIndex != TranslucentClass;
    const __m128 classColour = LoadVec4(ClassColorTable[classIndex]);
    const __m128 channelMax = _mm_set1_ps(ChannelMax);
    const LightDirections directions = TransposedLightDirections();
    const size_t rowStart = static_cast<size_t>(row) * context.width;
    uint32_t* colour = context.colorBuffer + rowStart;
    float* shadeDepth = context.shadeDepth + rowStart;
    const float* prepassDepth = context.prepassDepth + rowStart;

    __m128 normal = span.normal, attrib = span.attrib;
    for (int32_t column = span.left; column < span.right; ++column) {
        const float depth = DepthOf(attrib);
        if (depth < shadeDepth[column]) {
            __m128 n = _mm_mul_ps(normal, Reciprocals::Rsqrt(Dot4Ordered(normal, normal)));
            const float prepass = prepassDepth[column];
            const bool front = depth + FrontTolerance >= prepass && depth - FrontTolerance < prepass;
            if (front && !opaque) n = BumpedNormal<Reciprocals>(normal, attrib, context.heightMap);

            __m128 light = LaneMin(LightSum(directions, n, front, opaque), channelMax);
            if (!opaque) light = _mm_mul_ps(light, TextureSample(attrib, context.texture));
            const uint32_t pixel = PackPixel(_mm_mul_ps(light, classColour));
            if (opaque) {
                colour[column] = pixel;
                shadeDepth[column] = depth;
            } else {
                colour[column] = AddSaturated(colour[column], pixel);
            }
        }
        normal = _mm_add_ps(normal, span.normalStep);
        attrib = _mm_add_ps(attrib, span.attribStep);
    }
}

}  // namespace

void ShadeSpanPerPixel(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context) {
    WithReciprocals(
        [&](auto reciprocals) { ShadeSpanPerPixelWith<decltype(reciprocals)>(row, end1, end2, context); });
}
