// The batched span shader: the span's normal and attributes advance by repeated
// addition exactly as in the per-pixel shader, the pixels to be lit are
// gathered, and they are lit four at a time, one pixel per lane.
#include "render/span_shader.h"

#include "render/quad_lighting.h"
#include "render/shading_ops.h"

namespace {

using namespace shading;

// Pixels gathered before they are lit; a span longer than this is lit in parts.
constexpr int BatchCapacity = 64;
constexpr int QuadLanes = 4;

// The pixels of one span waiting to be lit: column, interpolated normal and
// attributes. Room for three more, so the last quad can be filled up.
struct FragmentBatch {
    __m128 normal[BatchCapacity + QuadLanes - 1];
    __m128 attrib[BatchCapacity + QuadLanes - 1];
    int32_t column[BatchCapacity + QuadLanes - 1];
    int count = 0;

    void Add(int32_t c, __m128 n, __m128 a) {
        column[count] = c;
        normal[count] = n;
        attrib[count] = a;
        ++count;
    }
    bool Full() const { return count == BatchCapacity; }
};

// One row of the three buffers.
struct BufferRow {
    uint32_t* colour;
    const float* prepassDepth;
};

// Everything a span's pixels are lit with that does not change along the span.
struct SpanLighting {
    const FaceContext& context;
    const QuadLights& lights;
    __m128 classColour[ColourChannels];
    BufferRow row;
};

// The bumped normal of the front-surface lanes and the texture sample of every
// lane of one translucent quad, one pixel at a time as the per-pixel shader
// forms them, then transposed.
template <typename Reciprocals>
void TranslucentQuadInputs(const FragmentBatch& batch, int first, __m128 front, const FaceContext& context,
                           Quad& normals, Channels& sample) {
    const int frontLanes = _mm_movemask_ps(front);
    __m128 lanes[QuadLanes];
    if (frontLanes != 0) {
        for (int j = 0; j < QuadLanes; ++j)
            lanes[j] = (frontLanes >> j & 1) ? BumpedNormal<Reciprocals>(batch.normal[first + j],
                                                                         batch.attrib[first + j], context.heightMap)
                                             : _mm_setzero_ps();
        const Quad bumped = Transposed(lanes);
        normals.x = _mm_blendv_ps(normals.x, bumped.x, front);
        normals.y = _mm_blendv_ps(normals.y, bumped.y, front);
        normals.z = _mm_blendv_ps(normals.z, bumped.z, front);
    }
    for (int j = 0; j < QuadLanes; ++j) lanes[j] = TextureSample(batch.attrib[first + j], context.texture);
    const Quad texels = Transposed(lanes);
    sample = Channels{{texels.x, texels.y, texels.z}};
}

// Lights the gathered pixels and stores them: opaque pixels overwrite,
// translucent ones add with saturation.
template <typename Reciprocals, bool Opaque>
void LightBatch(FragmentBatch& batch, const SpanLighting& s) {
    const int count = batch.count;
    if (count == 0) return;
    for (int i = count; i % QuadLanes != 0; ++i) batch.Add(batch.column[count - 1], batch.normal[count - 1],
                                                           batch.attrib[count - 1]);
    for (int first = 0; first < count; first += QuadLanes) {
        const int32_t* column = batch.column + first;
        const Quad attribs = Transposed(batch.attrib + first);
        const __m128 prepass = _mm_setr_ps(s.row.prepassDepth[column[0]], s.row.prepassDepth[column[1]],
                                           s.row.prepassDepth[column[2]], s.row.prepassDepth[column[3]]);
        const __m128 front = FrontMask(attribs.z, prepass);
        Quad normals = UnitNormals<Reciprocals>(Transposed(batch.normal + first));
        Channels sample;
        if (!Opaque) TranslucentQuadInputs<Reciprocals>(batch, first, front, s.context, normals, sample);

        Channels light = ClampedLight(LightSums<Opaque>(s.lights, normals, front));
        for (int c = 0; c < ColourChannels; ++c) {
            if (!Opaque) light.c[c] = _mm_mul_ps(light.c[c], sample.c[c]);
            light.c[c] = _mm_mul_ps(light.c[c], s.classColour[c]);
        }
        alignas(16) uint32_t pixels[QuadLanes];
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels), PackPixels(light));
        const int lanes = count - first < QuadLanes ? count - first : QuadLanes;
        for (int j = 0; j < lanes; ++j) {
            uint32_t& target = s.row.colour[column[j]];
            target = Opaque ? pixels[j] : AddSaturated(target, pixels[j]);
        }
    }
    batch.count = 0;
}

SpanLighting LightingOf(int32_t row, const FaceContext& context, QuadLights& ownLights) {
    const QuadLights* lights = context.lights;
    if (lights == nullptr) {
        BroadcastLights(ownLights);
        lights = &ownLights;
    }
    const size_t rowStart = static_cast<size_t>(row) * context.width;
    const Vec4& tint = ClassColorTable[context.classColorIndex];
    return SpanLighting{context,
                        *lights,
                        {_mm_set1_ps(tint.v[0]), _mm_set1_ps(tint.v[1]), _mm_set1_ps(tint.v[2])},
                        {context.colorBuffer + rowStart, context.prepassDepth + rowStart}};
}

// The depth test of ShadeSpan: opaque pixels that pass store their depth at
// once (a span covers each pixel once), and every passing pixel is lit.
template <typename Reciprocals, bool Opaque>
void ShadeSpanWith(int32_t row, const SpanSetup& span, const FaceContext& context) {
    QuadLights ownLights;
    const SpanLighting lighting = LightingOf(row, context, ownLights);
    float* shadeDepth = context.shadeDepth + static_cast<size_t>(row) * context.width;
    FragmentBatch batch;
    __m128 normal = span.normal, attrib = span.attrib;
    for (int32_t column = span.left; column < span.right; ++column) {
        const float depth = DepthOf(attrib);
        if (depth < shadeDepth[column]) {
            if (Opaque) shadeDepth[column] = depth;
            batch.Add(column, normal, attrib);
            if (batch.Full()) LightBatch<Reciprocals, Opaque>(batch, lighting);
        }
        normal = _mm_add_ps(normal, span.normalStep);
        attrib = _mm_add_ps(attrib, span.attribStep);
    }
    LightBatch<Reciprocals, Opaque>(batch, lighting);
}

template <typename Reciprocals>
void ShadeMarkedSpanWith(int32_t row, const SpanSetup& span, const FaceContext& context, uint32_t tag) {
    QuadLights ownLights;
    const SpanLighting lighting = LightingOf(row, context, ownLights);
    const uint32_t* colour = lighting.row.colour;
    FragmentBatch batch;
    __m128 normal = span.normal, attrib = span.attrib;
    for (int32_t column = span.left; column < span.right; ++column) {
        if (colour[column] == tag) {
            batch.Add(column, normal, attrib);
            if (batch.Full()) LightBatch<Reciprocals, true>(batch, lighting);
        }
        normal = _mm_add_ps(normal, span.normalStep);
        attrib = _mm_add_ps(attrib, span.attribStep);
    }
    LightBatch<Reciprocals, true>(batch, lighting);
}

}  // namespace

void ShadeSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context) {
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        SpanSetup span;
        if (!SetUpSpan<Reciprocals>(row, end1, end2, context.band, span)) return;
        if (context.classColorIndex != TranslucentClass)
            ShadeSpanWith<Reciprocals, true>(row, span, context);
        else
            ShadeSpanWith<Reciprocals, false>(row, span, context);
    });
}

void ShadeMarkedSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                     uint32_t tag) {
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        SpanSetup span;
        if (SetUpSpan<Reciprocals>(row, end1, end2, context.band, span))
            ShadeMarkedSpanWith<Reciprocals>(row, span, context, tag);
    });
}
