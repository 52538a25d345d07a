// What the shading pass's edges carry from row to row, in both of its steps
// (marking the nearest fragments and lighting).
#pragma once
#include <cstdint>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "core/types.h"
#include "render/face_context.h"

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
