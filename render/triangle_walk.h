// The row walk of the shading pass: the face's vertices sorted by row, two
// 22.10 fixed-point edges carrying normal and (u, v, depth), and each row's
// two span ends handed to a span routine (the long edge's end first).
#pragma once
#include <cstdint>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "render/edge_fixed_point.h"
#include "render/scan_convert.h"

namespace triangle_walk {

// One edge's position and its per-row steps, or the steps alone.
struct Edge {
    int32_t x;      // 22.10 fixed point
    __m128 normal;  // fourth lane 0
    __m128 attrib;  // u, v, depth, spare
};

inline Edge StartAt(const ShadeVertex& v) {
    return Edge{ToEdgeColumn(v.x), LoadVec4(v.normal),
                _mm_setr_ps(static_cast<float>(v.u), static_cast<float>(v.v), v.depth, 0.0f)};
}

// Steps per row: one fast reciprocal of the row count serves every attribute.
// u and v differences are taken exactly as integers before conversion.
inline Edge StepsOf(const ShadeVertex& from, const ShadeVertex& to) {
    const int32_t dy = to.y - from.y;
    if (dy == 0) return Edge{0, _mm_setzero_ps(), _mm_setzero_ps()};
    const __m128 reciprocal = _mm_set1_ps(ReciprocalOf(static_cast<float>(dy)));
    const __m128 attribDelta =
        _mm_setr_ps(static_cast<float>(static_cast<int32_t>(to.u) - from.u),
                    static_cast<float>(static_cast<int32_t>(to.v) - from.v), to.depth - from.depth, 0.0f);
    const __m128 normalDelta = _mm_sub_ps(LoadVec4(to.normal), LoadVec4(from.normal));
    return Edge{EdgeColumnStep(from.x, to.x, dy), _mm_mul_ps(normalDelta, reciprocal),
                _mm_mul_ps(attribDelta, reciprocal)};
}

inline void Advance(Edge& edge, const Edge& steps) {
    edge.x += steps.x;
    edge.normal = _mm_add_ps(edge.normal, steps.normal);
    edge.attrib = _mm_add_ps(edge.attrib, steps.attrib);
}

inline SpanEnd EndOf(const Edge& edge) {
    SpanEnd end;
    end.x = EdgePixelColumn(edge.x);
    StoreVec4(end.normal, edge.normal);
    StoreVec4(end.attrib, edge.attrib);
    return end;
}

}  // namespace triangle_walk

// Calls span(row, longEnd, shortEnd) for the rows yA .. yC-1 of the face that
// lie in [rowBegin, rowEnd), in increasing order. Values advance by repeated
// addition, once per row from the top vertex on, whether or not the row is
// handed on, so a row's ends do not depend on the range; the short edge
// restarts exactly at B for the lower half. Rows at or past rowEnd are not
// walked at all.
template <typename SpanRoutine>
inline void WalkTriangle(ShadeVertex a, ShadeVertex b, ShadeVertex c, int32_t rowBegin, int32_t rowEnd,
                         SpanRoutine&& span) {
    using namespace triangle_walk;
    SortByRow(a, b, c);
    if (c.y <= rowBegin || a.y >= rowEnd) return;  // no row of the face is in the range
    const Edge stepsAB = StepsOf(a, b);
    const Edge stepsAC = StepsOf(a, c);
    const Edge stepsBC = StepsOf(b, c);

    Edge longEdge = StartAt(a);
    Edge shortEdge = longEdge;
    const int32_t upperEnd = b.y < rowEnd ? b.y : rowEnd;
    for (int32_t row = a.y; row < upperEnd; ++row) {
        if (row >= rowBegin) span(row, EndOf(longEdge), EndOf(shortEdge));
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsAB);
    }
    shortEdge = StartAt(b);
    const int32_t lowerEnd = c.y < rowEnd ? c.y : rowEnd;
    for (int32_t row = b.y; row < lowerEnd; ++row) {
        if (row >= rowBegin) span(row, EndOf(longEdge), EndOf(shortEdge));
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsBC);
    }
}

// Every row of the face.
template <typename SpanRoutine>
inline void WalkTriangle(const ShadeVertex& a, const ShadeVertex& b, const ShadeVertex& c, SpanRoutine&& span) {
    WalkTriangle(a, b, c, INT32_MIN, INT32_MAX, span);
}
