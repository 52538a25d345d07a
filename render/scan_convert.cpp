#include "render/scan_convert.h"

#include "assets/simd.h"
#include "render/edge_fixed_point.h"
#include "render/span_shader.h"

namespace {

// One edge's position and its per-row steps, or the steps alone.
struct ShadeEdge {
    int32_t x;      // 22.10 fixed point
    __m128 normal;  // fourth lane 0
    __m128 attrib;  // u, v, depth, spare
};

ShadeEdge StartAt(const ShadeVertex& v) {
    return ShadeEdge{ToEdgeColumn(v.x), LoadVec4(v.normal),
                     _mm_setr_ps(static_cast<float>(v.u), static_cast<float>(v.v), v.depth, 0.0f)};
}

// Steps per row: one fast reciprocal of the row count serves every attribute.
// u and v differences are taken exactly as integers before conversion.
ShadeEdge StepsOf(const ShadeVertex& from, const ShadeVertex& to) {
    const int32_t dy = to.y - from.y;
    if (dy == 0) return ShadeEdge{0, _mm_setzero_ps(), _mm_setzero_ps()};
    const __m128 reciprocal = _mm_set1_ps(RcpEstimate(static_cast<float>(dy)));
    const __m128 attribDelta =
        _mm_setr_ps(static_cast<float>(static_cast<int32_t>(to.u) - from.u),
                    static_cast<float>(static_cast<int32_t>(to.v) - from.v), to.depth - from.depth, 0.0f);
    const __m128 normalDelta = _mm_sub_ps(LoadVec4(to.normal), LoadVec4(from.normal));
    return ShadeEdge{EdgeColumnStep(from.x, to.x, dy), _mm_mul_ps(normalDelta, reciprocal),
                     _mm_mul_ps(attribDelta, reciprocal)};
}

inline void Advance(ShadeEdge& edge, const ShadeEdge& steps) {
    edge.x += steps.x;
    edge.normal = _mm_add_ps(edge.normal, steps.normal);
    edge.attrib = _mm_add_ps(edge.attrib, steps.attrib);
}

inline SpanEnd EndOf(const ShadeEdge& edge) {
    SpanEnd end;
    end.x = EdgePixelColumn(edge.x);
    StoreVec4(end.normal, edge.normal);
    StoreVec4(end.attrib, edge.attrib);
    return end;
}

// Saturates a band limit to the 16-bit range of vertex coordinates.
inline int16_t Saturate16(int32_t value) {
    return static_cast<int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}

}  // namespace

bool FaceTouchesBand(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                     const BandRect& band) {
    // Open at the low end, closed at the high end: (top, bottom] and (left, right].
    const __m128i coords = _mm_setr_epi16(v0.y, v1.y, v2.y, v0.x, v1.x, v2.x, 0, 0);
    const int16_t top = Saturate16(band.top), bottom = Saturate16(band.bottom);
    const int16_t left = Saturate16(band.left), right = Saturate16(band.right);
    const __m128i lows = _mm_setr_epi16(top, top, top, left, left, left, 0, 0);
    const __m128i highs = _mm_setr_epi16(bottom, bottom, bottom, right, right, right, -1, -1);
    const __m128i inside = _mm_andnot_si128(_mm_cmpgt_epi16(coords, highs), _mm_cmpgt_epi16(coords, lows));
    return _mm_movemask_epi8(inside) != 0;
}

void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context) {
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return;
    ShadeVertex a = v0, b = v1, c = v2;
    SortByRow(a, b, c);

    const ShadeEdge stepsAB = StepsOf(a, b);
    const ShadeEdge stepsAC = StepsOf(a, c);
    const ShadeEdge stepsBC = StepsOf(b, c);

    ShadeEdge longEdge = StartAt(a);
    ShadeEdge shortEdge = longEdge;
    for (int32_t row = a.y; row < b.y; ++row) {
        ShadeSpan(row, EndOf(longEdge), EndOf(shortEdge), context);
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsAB);
    }
    shortEdge = StartAt(b);  // restarts exactly at B
    for (int32_t row = b.y; row < c.y; ++row) {
        ShadeSpan(row, EndOf(longEdge), EndOf(shortEdge), context);
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsBC);
    }
}
