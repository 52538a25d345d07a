// Triangle scan conversion for the shading pass: sorts a face's vertices by row,
// walks its rows with two 22.10 fixed-point edges and hands each row's two span
// ends to ShadeSpan.
#pragma once
#include <cstdint>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "core/types.h"
#include "render/triangle_walk.h"

// One vertex of a face as the band worker hands it on.
struct ShadeVertex {
    int16_t x, y;     // screen point (whole pixels)
    uint16_t u, v;    // texture coordinate in texels (0..128 for the prepared model)
    float depth;      // smaller is nearer
    Vec4 normal;      // rotated vertex normal, fourth lane 0
};

// What the shading pass's edges carry besides the column: the normal and
// (u, v, depth), stepped per row with one reciprocal of the row count (the
// estimate, or exact in portable mode). u and v differences are taken exactly
// as integers before conversion.
template <typename Reciprocals>
struct ShadeEdges {
    using Vertex = ShadeVertex;
    struct Values {
        __m128 normal;  // fourth lane 0
        __m128 attrib;  // u, v, depth, spare
    };
    using End = SpanEnd;

    static Values At(const ShadeVertex& v) {
        return {LoadVec4(v.normal), _mm_setr_ps(static_cast<float>(v.u), static_cast<float>(v.v), v.depth, 0.0f)};
    }
    static Values StepsPerRow(const ShadeVertex& from, const ShadeVertex& to, int32_t rows) {
        const __m128 reciprocal = _mm_set1_ps(Reciprocals::Rcp(static_cast<float>(rows)));
        const __m128 attribDelta =
            _mm_setr_ps(static_cast<float>(static_cast<int32_t>(to.u) - from.u),
                        static_cast<float>(static_cast<int32_t>(to.v) - from.v), to.depth - from.depth, 0.0f);
        const __m128 normalDelta = _mm_sub_ps(LoadVec4(to.normal), LoadVec4(from.normal));
        return {_mm_mul_ps(normalDelta, reciprocal), _mm_mul_ps(attribDelta, reciprocal)};
    }
    static Values NoSteps() { return {_mm_setzero_ps(), _mm_setzero_ps()}; }
    static void Add(Values& values, const Values& steps) {
        values.normal = _mm_add_ps(values.normal, steps.normal);
        values.attrib = _mm_add_ps(values.attrib, steps.attrib);
    }
    static SpanEnd EndAt(int32_t column, const Values& values) {
        SpanEnd end;
        end.x = column;
        StoreVec4(end.normal, values.normal);
        StoreVec4(end.attrib, values.attrib);
        return end;
    }
};

// The shading pass's row walk with the reciprocals of the current mode.
template <typename SpanRoutine>
inline void WalkShadedTriangle(const ShadeVertex& a, const ShadeVertex& b, const ShadeVertex& c, int32_t rowBegin,
                               int32_t rowEnd, SpanRoutine&& span) {
    WithReciprocals([&](auto reciprocals) {
        WalkTriangle<ShadeEdges<decltype(reciprocals)>>(a, b, c, rowBegin, rowEnd, span);
    });
}

namespace shading {
struct LaneLights;
}

// What every span of one face is drawn with: the band and the buffers.
struct FaceContext {
    BandRect band;
    uint32_t width;              // pixels per row of all three buffers
    const float* prepassDepth;
    uint32_t classColorIndex;    // FaceClass - 1: 0 translucent, 1..8 opaque
    const uint8_t* heightMap;
    uint32_t* colorBuffer;
    float* shadeDepth;
    const uint32_t* texture;
    // The lights broadcast for the batched shader, built once per band; when
    // null, each span builds its own.
    const shading::LaneLights* lights = nullptr;
};

// Walks the rows yA .. yC-1 of the face and calls ShadeSpan for each, unless
// none of the six coordinates lies inside the band's ranges.
void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context);

// The band test: true when some vertex row lies in (top, bottom] or some vertex
// column in (left, right], compared as signed 16-bit values.
// The rows of a face, [first, end), in which some pixel took the face's tag.
struct RowRange {
    int32_t first, end;
    bool Empty() const { return first >= end; }
};

// The two steps of the opaque faces (see MarkNearestSpan), for a whole face:
// marks the face's nearest pixels and returns the rows where it marked any;
// then lights the marked pixels of those rows.
RowRange MarkNearestTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                             const FaceContext& context, uint32_t tag);
void ShadeMarkedTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         const FaceContext& context, uint32_t tag, RowRange rows);

bool FaceTouchesBand(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                     const BandRect& band);
