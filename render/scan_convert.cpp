#include "render/scan_convert.h"

#include "core/reciprocal.h"
#include "render/span_shader.h"
#include "render/triangle_walk.h"

namespace {

// Saturates a band limit to the 16-bit range of vertex coordinates.
inline int16_t Saturate16(int32_t value) {
    return static_cast<int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}

}  // namespace

bool FaceTouchesBand(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
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

void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context) {
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return;
    // The span shader draws nothing outside the band's rows, so the walk hands
    // on only those; the edges still advance through the rows above the band.
    // Each row's pixels are gathered and lit in fours across the face's rows.
    PendingPixels pending;
    WalkShadedTriangle(v0, v1, v2, context.band.top, context.band.bottom,
                       [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                           GatherSpan(pending, row, longEnd, shortEnd, context);
                       });
    LightPendingPixels(pending, context);
}

void ShadeMarkedTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         const FaceContext& context, uint32_t tag, RowRange rows) {
    // Rows before rows.first are still walked (their edges advance) but not
    // handed on, so the marked rows get the ends the first step saw.
    PendingPixels pending;
    WalkShadedTriangle(v0, v1, v2, rows.first, rows.end,
                       [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                           GatherMarkedSpan(pending, row, longEnd, shortEnd, context, tag);
                       });
    LightPendingPixels(pending, context);
}
