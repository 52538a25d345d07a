// The batched span shader: the span's normal and attributes advance by repeated
// addition exactly as in the per-pixel shader, the pixels to be lit are
// gathered, and they are lit four at a time, one pixel per lane.
#include "render/span_shader.h"

#include "render/quad_lighting.h"
#include "render/shading_ops.h"

namespace {

using namespace shading;

constexpr int QuadLanes = 4;

inline void Append(PendingPixels& pending, uint32_t pixel, __m128 normal, __m128 attrib) {
    pending.pixel[pending.count] = pixel;
    pending.normal[pending.count] = normal;
    pending.attrib[pending.count] = attrib;
    ++pending.count;
}

// Everything a face's pixels are lit with that does not change along the face.
struct FaceLighting {
    const FaceContext& context;
    const QuadLights& lights;
    __m128 classColour[ColourChannels];
};

// The bumped normal of the front-surface lanes and the texture sample of every
// lane of one translucent quad, one pixel at a time as the per-pixel shader
// forms them, then transposed.
template <typename Reciprocals>
void TranslucentQuadInputs(const PendingPixels& batch, int first, __m128 front, const FaceContext& context,
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

// Lights the pending pixels and stores them: opaque pixels overwrite,
// translucent ones add with saturation.
template <typename Reciprocals, bool Opaque>
void LightQuads(PendingPixels& pending, const FaceLighting& face) {
    const int count = pending.count;
    for (int i = count; i % QuadLanes != 0; ++i)
        Append(pending, pending.pixel[count - 1], pending.normal[count - 1], pending.attrib[count - 1]);
    const float* prepassDepth = face.context.prepassDepth;
    uint32_t* colour = face.context.colorBuffer;
    for (int first = 0; first < count; first += QuadLanes) {
        const uint32_t* pixel = pending.pixel + first;
        const Quad attribs = Transposed(pending.attrib + first);
        const __m128 prepass = _mm_setr_ps(prepassDepth[pixel[0]], prepassDepth[pixel[1]], prepassDepth[pixel[2]],
                                           prepassDepth[pixel[3]]);
        const __m128 front = FrontMask(attribs.z, prepass);
        Quad normals = UnitNormals<Reciprocals>(Transposed(pending.normal + first));
        Channels sample;
        if (!Opaque) TranslucentQuadInputs<Reciprocals>(pending, first, front, face.context, normals, sample);

        Channels light = ClampedLight(LightSums<Opaque>(face.lights, normals, front));
        for (int c = 0; c < ColourChannels; ++c) {
            if (!Opaque) light.c[c] = _mm_mul_ps(light.c[c], sample.c[c]);
            light.c[c] = _mm_mul_ps(light.c[c], face.classColour[c]);
        }
        alignas(16) uint32_t pixels[QuadLanes];
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels), PackPixels(light));
        const int lanes = count - first < QuadLanes ? count - first : QuadLanes;
        for (int j = 0; j < lanes; ++j) {
            uint32_t& target = colour[pixel[j]];
            target = Opaque ? pixels[j] : AddSaturated(target, pixels[j]);
        }
    }
    pending.count = 0;
}

template <typename Reciprocals>
void LightPendingWith(PendingPixels& pending, const FaceContext& context) {
    if (pending.count == 0) return;
    QuadLights ownLights;
    const QuadLights* lights = context.lights;
    if (lights == nullptr) {
        BroadcastLights(ownLights);
        lights = &ownLights;
    }
    const Vec4& tint = ClassColorTable[context.classColorIndex];
    const FaceLighting face{context, *lights, {_mm_set1_ps(tint.v[0]), _mm_set1_ps(tint.v[1]), _mm_set1_ps(tint.v[2])}};
    if (context.classColorIndex != TranslucentClass)
        LightQuads<Reciprocals, true>(pending, face);
    else
        LightQuads<Reciprocals, false>(pending, face);
}

// The depth test of ShadeSpan: opaque pixels that pass store their depth at
// once, and every passing pixel joins the pending ones.
template <typename Reciprocals, bool Opaque>
void GatherDepthTested(PendingPixels& pending, int32_t row, const SpanSetup& span, const FaceContext& context) {
    const uint32_t rowStart = static_cast<uint32_t>(row) * context.width;
    float* shadeDepth = context.shadeDepth + rowStart;
    __m128 normal = span.normal, attrib = span.attrib;
    for (int32_t column = span.left; column < span.right; ++column) {
        const float depth = DepthOf(attrib);
        if (depth < shadeDepth[column]) {
            if (Opaque) shadeDepth[column] = depth;
            Append(pending, rowStart + static_cast<uint32_t>(column), normal, attrib);
            if (pending.count == PendingCapacity) LightPendingWith<Reciprocals>(pending, context);
        }
        normal = _mm_add_ps(normal, span.normalStep);
        attrib = _mm_add_ps(attrib, span.attribStep);
    }
}

// The pixels of the span that hold the tag join the pending ones. Four columns
// are tested at once; the normal and attributes still advance pixel by pixel.
template <typename Reciprocals>
void GatherMarked(PendingPixels& pending, int32_t row, const SpanSetup& span, const FaceContext& context,
                  uint32_t tag) {
    const uint32_t rowStart = static_cast<uint32_t>(row) * context.width;
    const uint32_t* colour = context.colorBuffer + rowStart;
    const __m128i tags = _mm_set1_epi32(static_cast<int>(tag));
    __m128 normal = span.normal, attrib = span.attrib;
    int32_t column = span.left;
    for (; column + QuadLanes <= span.right; column += QuadLanes) {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + column));
        const int marked = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(words, tags)));
        if (marked == 0) {  // the common cases first: none or all four marked
            for (int j = 0; j < QuadLanes; ++j) {
                normal = _mm_add_ps(normal, span.normalStep);
                attrib = _mm_add_ps(attrib, span.attribStep);
            }
            continue;
        }
        if (pending.count > PendingCapacity - QuadLanes) LightPendingWith<Reciprocals>(pending, context);
        const uint32_t pixel = rowStart + static_cast<uint32_t>(column);
        if (marked == 0xF) {
            for (int j = 0; j < QuadLanes; ++j) {
                Append(pending, pixel + static_cast<uint32_t>(j), normal, attrib);
                normal = _mm_add_ps(normal, span.normalStep);
                attrib = _mm_add_ps(attrib, span.attribStep);
            }
            continue;
        }
        for (int j = 0; j < QuadLanes; ++j) {
            if (marked >> j & 1) Append(pending, pixel + static_cast<uint32_t>(j), normal, attrib);
            normal = _mm_add_ps(normal, span.normalStep);
            attrib = _mm_add_ps(attrib, span.attribStep);
        }
    }
    for (; column < span.right; ++column) {
        if (colour[column] == tag) {
            if (pending.count == PendingCapacity) LightPendingWith<Reciprocals>(pending, context);
            Append(pending, rowStart + static_cast<uint32_t>(column), normal, attrib);
        }
        normal = _mm_add_ps(normal, span.normalStep);
        attrib = _mm_add_ps(attrib, span.attribStep);
    }
}

}  // namespace

void GatherSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                const FaceContext& context) {
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        SpanSetup span;
        if (!SetUpSpan<Reciprocals>(row, end1, end2, context.band, span)) return;
        if (context.classColorIndex != TranslucentClass)
            GatherDepthTested<Reciprocals, true>(pending, row, span, context);
        else
            GatherDepthTested<Reciprocals, false>(pending, row, span, context);
    });
}

void GatherMarkedSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                      const FaceContext& context, uint32_t tag) {
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        SpanSetup span;
        if (SetUpSpan<Reciprocals>(row, end1, end2, context.band, span))
            GatherMarked<Reciprocals>(pending, row, span, context, tag);
    });
}

void LightPendingPixels(PendingPixels& pending, const FaceContext& context) {
    WithReciprocals([&](auto reciprocals) { LightPendingWith<decltype(reciprocals)>(pending, context); });
}

void ShadeSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context) {
    PendingPixels pending;
    GatherSpan(pending, row, end1, end2, context);
    LightPendingPixels(pending, context);
}

void ShadeMarkedSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                     uint32_t tag) {
    PendingPixels pending;
    GatherMarkedSpan(pending, row, end1, end2, context, tag);
    LightPendingPixels(pending, context);
}
