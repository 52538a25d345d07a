// The one span set-up of the three passes that draw spans: the depth pre-pass,
// the marking of the nearest opaque fragments and the gathering of the pixels
// to light. The row's two ends are put in order, the span is clipped to the
// band, and its values at the first drawn column come with their per-column
// steps. The passes differ only in what a span carries besides its columns,
// which the SpanValues parameter describes (as EdgeValues does for the row
// walk, row_walk.h). The pre-pass and the marking walk four rows at a time
// and set their lanes up with this rule in vector form; their tests hold them
// to this set-up (tests/support/prepass_one_row.h, nearest_marks_one_face.h).
//
//
//   struct SpanValues {
//       using End = ...;     // one end as the row walk hands it on; has int32_t x
//       using Values = ...;  // what the span carries (depth; normal and u, v, depth)
//       static Values At(const End& end);
//       static Values StepsPerColumn(const End& left, const End& right, int32_t columns);  // columns > 0
//       static void Skip(Values& values, const Values& steps, int32_t columns);  // the left clip
//       // True: a span starting exactly at the band's left column takes the
//       // left clip too, skipping 0 columns (the pre-pass's rule: that turns
//       // a -0 depth into +0 and a non-finite step into a NaN depth).
//       static constexpr bool SkipsAtBandEdge = ...;
//   };
#pragma once
#include <cstdint>

#include "core/types.h"

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
    if (row < band.top || row >= band.bottom) return false;
    if (end1.x == end2.x) return false;
    const auto& leftEnd = end1.x < end2.x ? end1 : end2;
    const auto& rightEnd = end1.x < end2.x ? end2 : end1;
    span.left = leftEnd.x;
    span.right = rightEnd.x;
    if (span.left >= band.right || span.right <= band.left) return false;

    span.steps = SpanValues::StepsPerColumn(leftEnd, rightEnd, span.right - span.left);
    span.values = SpanValues::At(leftEnd);
    if (span.left < band.left || (SpanValues::SkipsAtBandEdge && span.left == band.left)) {
        SpanValues::Skip(span.values, span.steps, band.left - span.left);
        span.left = band.left;
    }
    if (span.right >= band.right) span.right = band.right;  // keeps the walk inside the row
    return true;
}
