// The span set-up of the shading: the row's two ends are put in order, the
// span is clipped to the band, and its values at the first drawn column come
// with their per-column steps. What a span carries besides its columns is the
// SpanValues parameter (as EdgeValues is for the row walk, row_walk.h); the
// tests' reference for the marking sets up its depth-only spans with it too
// (tests/support/nearest_marks_one_face.h). The rejections, RowInBand and
// ColumnsInBand, are also the lane batch's (row_lanes.h), whose passes set
// their spans up four at a time.
//
//   struct SpanValues {
//       using End = ...;     // one end as the row walk hands it on; has int32_t x
//       using Values = ...;  // what the span carries (normal and u, v, depth)
//       static Values At(const End& end);
//       static Values StepsPerColumn(const End& left, const End& right, int32_t columns);  // columns > 0
//       static void Skip(Values& values, const Values& steps, int32_t columns);  // the left clip
//   };
#pragma once
#include <cassert>
#include <cstdint>

#include "core/types.h"

// The span set-up's rejections: a span draws nothing on a row outside the
// band's rows, with its two ends on one column, or wholly left or right of
// the band's columns (its end columns in order, left <= right).
inline bool RowInBand(int32_t row, const BandRect& band) { return row >= band.top && row < band.bottom; }
inline bool ColumnsInBand(int32_t left, int32_t right, const BandRect& band) {
    if (left == right) return false;
    return left < band.right && right > band.left;
}

// A span clipped to the band, with its values at the first drawn column.
template <typename SpanValues>
struct ClippedSpan {
    int32_t left, right;  // columns drawn: left .. right-1, at least one
    typename SpanValues::Values values;
    typename SpanValues::Values steps;  // per column
};

// Orders and clips the two ends; false when the span draws nothing. The steps
// come from the unclipped ends; the left clip is the one place a value moves
// by k steps at once.
template <typename SpanValues>
inline bool SetUpSpan(int32_t row, const typename SpanValues::End& end1, const typename SpanValues::End& end2,
                      const BandRect& band, ClippedSpan<SpanValues>& span) {
    const auto& leftEnd = end1.x < end2.x ? end1 : end2;
    const auto& rightEnd = end1.x < end2.x ? end2 : end1;
    if (!RowInBand(row, band) || !ColumnsInBand(leftEnd.x, rightEnd.x, band)) return false;
    span.left = leftEnd.x;
    span.right = rightEnd.x;
    span.steps = SpanValues::StepsPerColumn(leftEnd, rightEnd, span.right - span.left);
    span.values = SpanValues::At(leftEnd);
    if (span.left < band.left) {
        SpanValues::Skip(span.values, span.steps, band.left - span.left);
        span.left = band.left;
    }
    if (span.right >= band.right) span.right = band.right;  // keeps the walk inside the row
    assert(span.left < span.right);
    return true;
}
