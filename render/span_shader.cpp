// The batched span shader: the span's normal and attributes advance by repeated
// addition, pixel by pixel, the pixels to be lit are gathered, and they are lit
// four (or, where eight_lane_check.h allows, eight) at a time, one pixel per lane.
#include "render/span_shader.h"

#include <cassert>
#include <type_traits>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "render/eight_lane_check.h"
#include "render/eight_lane_lighting.h"
#include "render/lane_lighting.h"
#include "render/lights.h"
#include "render/shading_constants.h"
#include "render/span_setup.h"

namespace {

using namespace shading;

constexpr int QuadLanes = 4;

// What a span carries for the shading: the normal and (u, v, depth), stepped
// per column with one reciprocal of the column count.
template <typename Reciprocals>
struct ShadeSpanValues {
    using End = SpanEnd;
    struct Values {
        __m128 normal, attrib;
    };

    static Values At(const SpanEnd& end) { return {LoadVec4(end.normal), LoadVec4(end.attrib)}; }
    static Values StepsPerColumn(const SpanEnd& left, const SpanEnd& right, int32_t columns) {
        const __m128 reciprocal = _mm_set1_ps(Reciprocals::Rcp(static_cast<float>(columns)));
        return {_mm_mul_ps(_mm_sub_ps(LoadVec4(right.normal), LoadVec4(left.normal)), reciprocal),
                _mm_mul_ps(_mm_sub_ps(LoadVec4(right.attrib), LoadVec4(left.attrib)), reciprocal)};
    }
    static void Skip(Values& values, const Values& steps, int32_t columns) {
        const __m128 skipped = _mm_set1_ps(static_cast<float>(columns));
        values.normal = _mm_add_ps(_mm_mul_ps(steps.normal, skipped), values.normal);
        values.attrib = _mm_add_ps(_mm_mul_ps(steps.attrib, skipped), values.attrib);
    }
};

template <typename Reciprocals>
using ShadedSpan = ClippedSpan<ShadeSpanValues<Reciprocals>>;

inline float DepthOf(__m128 attrib) { return _mm_cvtss_f32(Broadcast<2>(attrib)); }

}  // namespace

template <typename Reciprocals>
void LightPendingPixels(PendingPixels& pending, const FaceContext& context) {
    if (pending.count == 0) return;
    assert(context.lights != nullptr);
    const LaneLights& lights = *context.lights;
    const bool opaque = context.classColorIndex != TranslucentColorIndex;
#if VELMORA_EIGHT_LANES
    if (UseEightLanes) {
        LightInEightLanes(pending, context, lights, std::is_same_v<Reciprocals, ExactReciprocals>, opaque);
        return;
    }
#endif
    if (opaque)
        LightPendingLanes<SseLanes, Reciprocals, true>(pending, context, lights);
    else
        LightPendingLanes<SseLanes, Reciprocals, false>(pending, context, lights);
}

namespace {

// The gathering loops run in stretches of columns that cannot overfill the
// pending pixels, so no call to the lighting sits inside a loop over pixels
// (which would push the running normal and attributes out of registers).

// Room for at least `needed` more pixels, lighting the pending ones if not.
template <typename Reciprocals>
inline int RoomFor(PendingPixels& pending, int needed, const FaceContext& context) {
    if (PendingCapacity - pending.count < needed) LightPendingPixels<Reciprocals>(pending, context);
    return PendingCapacity - pending.count;
}

// The span's depth test: opaque pixels that pass store their depth at
// once, and every passing pixel joins the pending ones.
template <typename Reciprocals, bool Opaque>
void GatherDepthTested(PendingPixels& pending, int32_t row, const ShadedSpan<Reciprocals>& span,
                       const FaceContext& context) {
    const uint32_t rowStart = static_cast<uint32_t>(row) * context.width;
    float* shadeDepth = context.shadeDepth + rowStart;
    const __m128 normalStep = span.steps.normal, attribStep = span.steps.attrib;
    __m128 normal = span.values.normal, attrib = span.values.attrib;
    for (int32_t column = span.left; column < span.right;) {
        const int32_t room = RoomFor<Reciprocals>(pending, 1, context);
        const int32_t stretchEnd = span.right - column > room ? column + room : span.right;
        int count = pending.count;
        for (; column < stretchEnd; ++column) {
            const float depth = DepthOf(attrib);
            if (depth < shadeDepth[column]) {
                if (Opaque) shadeDepth[column] = depth;
                AppendPending(pending, count, rowStart + static_cast<uint32_t>(column), normal, attrib);
            }
            normal = _mm_add_ps(normal, normalStep);
            attrib = _mm_add_ps(attrib, attribStep);
        }
        pending.count = count;
    }
}

// One past the last column in [left, right) whose word is the tag, or left
// when none is: four words per comparison, from the right end.
inline int32_t MarkedEnd(const uint32_t* colour, int32_t left, int32_t right, __m128i tags) {
    int32_t column = right;
    for (; column - QuadLanes >= left; column -= QuadLanes) {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + column - QuadLanes));
        const int marked = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(words, tags)));
        if (marked != 0) return column - QuadLanes + (marked >= 8 ? 4 : marked >= 4 ? 3 : marked >= 2 ? 2 : 1);
    }
    for (; column > left; --column)
        if (static_cast<int>(colour[column - 1]) == _mm_cvtsi128_si32(tags)) return column;
    return left;
}

// The pixels of the span that hold the tag join the pending ones. Four columns
// are tested at once; the normal and attributes still advance pixel by pixel,
// up to the last marked column (a span with none costs only the search).
template <typename Reciprocals>
void GatherMarked(PendingPixels& pending, int32_t row, const ShadedSpan<Reciprocals>& span, const FaceContext& context,
                  uint32_t tag) {
    const uint32_t rowStart = static_cast<uint32_t>(row) * context.width;
    const uint32_t* colour = context.colorBuffer + rowStart;
    const __m128i tags = _mm_set1_epi32(static_cast<int>(tag));
    const __m128 normalStep = span.steps.normal, attribStep = span.steps.attrib;
    const int32_t end = MarkedEnd(colour, span.left, span.right, tags);
    __m128 normal = span.values.normal, attrib = span.values.attrib;
    for (int32_t column = span.left; column < end;) {
        const int32_t room = RoomFor<Reciprocals>(pending, QuadLanes, context);
        const int32_t stretchEnd = end - column > room ? column + room : end;
        int count = pending.count;
        for (; column + QuadLanes <= stretchEnd; column += QuadLanes) {
            const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + column));
            const int marked = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(words, tags)));
            const uint32_t pixel = rowStart + static_cast<uint32_t>(column);
            for (int j = 0; j < QuadLanes; ++j) {
                if (marked >> j & 1) AppendPending(pending, count, pixel + static_cast<uint32_t>(j), normal, attrib);
                normal = _mm_add_ps(normal, normalStep);
                attrib = _mm_add_ps(attrib, attribStep);
            }
        }
        for (; column < stretchEnd; ++column) {
            if (colour[column] == tag)
                AppendPending(pending, count, rowStart + static_cast<uint32_t>(column), normal, attrib);
            normal = _mm_add_ps(normal, normalStep);
            attrib = _mm_add_ps(attrib, attribStep);
        }
        pending.count = count;
    }
}

}  // namespace

template <typename Reciprocals>
void GatherSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                const FaceContext& context) {
    ShadedSpan<Reciprocals> span;
    if (!SetUpSpan(row, end1, end2, context.band, span)) return;
    if (context.classColorIndex != TranslucentColorIndex)
        GatherDepthTested<Reciprocals, true>(pending, row, span, context);
    else
        GatherDepthTested<Reciprocals, false>(pending, row, span, context);
}

template <typename Reciprocals>
void GatherMarkedSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                      const FaceContext& context, uint32_t tag) {
    ShadedSpan<Reciprocals> span;
    if (SetUpSpan(row, end1, end2, context.band, span)) GatherMarked<Reciprocals>(pending, row, span, context, tag);
}

// The instances of the two arithmetic modes.
template void GatherSpan<EstimatedReciprocals>(PendingPixels&, int32_t, const SpanEnd&, const SpanEnd&,
                                               const FaceContext&);
template void GatherSpan<ExactReciprocals>(PendingPixels&, int32_t, const SpanEnd&, const SpanEnd&, const FaceContext&);
template void GatherMarkedSpan<EstimatedReciprocals>(PendingPixels&, int32_t, const SpanEnd&, const SpanEnd&,
                                                     const FaceContext&, uint32_t);
template void GatherMarkedSpan<ExactReciprocals>(PendingPixels&, int32_t, const SpanEnd&, const SpanEnd&,
                                                 const FaceContext&, uint32_t);
template void LightPendingPixels<EstimatedReciprocals>(PendingPixels&, const FaceContext&);
template void LightPendingPixels<ExactReciprocals>(PendingPixels&, const FaceContext&);
