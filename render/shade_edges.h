// A face as the shading pass walks it, in both of its steps (marking the
// nearest fragments and lighting): its vertices, what its edges carry from
// row to row, and the test that skips faces outside a band.
#pragma once
#include <cstdint>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "core/types.h"

// One vertex of a face as the band worker hands it on.
struct ShadeVertex {
    int16_t x, y;     // screen point (whole pixels)
    uint16_t u, v;    // texture coordinate in texels (0..128 for the prepared model)
    float depth;      // smaller is nearer
    Vec4 normal;      // rotated vertex normal, fourth lane 0
};

// What the shading pass's edges carry besides the column (the EdgeValues of
// the row walk, row_walk.h): the normal and (u, v, depth), stepped per row
// with one reciprocal of the row count (the estimate, or exact in portable
// mode). u and v differences are taken exactly as integers before conversion.
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

// Saturates a band limit to the 16-bit range of vertex coordinates.
inline int16_t Saturate16(int32_t value) {
    return static_cast<int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}

// The band test: true when some vertex row lies in (top, bottom] or some vertex
// column in (left, right], compared as signed 16-bit values. Faces for which
// it is false are not walked.
inline bool FaceTouchesBand(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                            const BandRect& band) {
    // All six coordinates in one 16-bit comparison, open at the low end and
    // closed at the high end: rows in (top, bottom], columns in (left, right].
    const __m128i coords = _mm_setr_epi16(v0.y, v1.y, v2.y, v0.x, v1.x, v2.x, 0, 0);
    const int16_t top = Saturate16(band.top), bottom = Saturate16(band.bottom);
    const int16_t left = Saturate16(band.left), right = Saturate16(band.right);
    const __m128i lows = _mm_setr_epi16(top, top, top, left, left, left, 0, 0);
    const __m128i highs = _mm_setr_epi16(bottom, bottom, bottom, right, right, right, -1, -1);
    const __m128i inside = _mm_andnot_si128(_mm_cmpgt_epi16(coords, highs), _mm_cmpgt_epi16(coords, lows));
    return _mm_movemask_epi8(inside) != 0;
}
