#include "render/shade_triangle.h"

#include "core/reciprocal.h"
#include "render/band_plan.h"
#include "render/pending_pixels.h"
#include "render/row_walk.h"
#include "render/shade_edges.h"
#include "render/span_shader.h"

void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context) {
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return;
    // The span shader draws nothing outside the band's rows, so the walk hands
    // on only those; the edges still advance through the rows above the band.
    // The pixels of all the face's rows are gathered and lit together.
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        PendingPixels pending;
        WalkTriangle<ShadeEdges<Reciprocals>>(v0, v1, v2, context.band.top, context.band.bottom,
                                              [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                                                  GatherSpan<Reciprocals>(pending, row, longEnd, shortEnd, context);
                                              });
        LightPendingPixels<Reciprocals>(pending, context);
    });
}

void ShadeMarkedTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         const FaceContext& context, uint32_t tag, RowRange rows) {
    // Rows before rows.first are still walked (their edges advance) but not
    // handed on, so the marked rows get the ends the first step saw.
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        PendingPixels pending;
        WalkTriangle<ShadeEdges<Reciprocals>>(
            v0, v1, v2, rows.first, rows.end, [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                GatherMarkedSpan<Reciprocals>(pending, row, longEnd, shortEnd, context, tag);
            });
        LightPendingPixels<Reciprocals>(pending, context);
    });
}
