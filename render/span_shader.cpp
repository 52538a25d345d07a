// The batched span shader: a face's rows walked four at a time, one row per
// lane, the pixels to be lit gathered, and lit four (or, where
// eight_lane_check.h allows, eight) at a time, one pixel per lane.
#include "render/span_shader.h"

#include <algorithm>
#include <cassert>
#include <type_traits>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "render/eight_lane_check.h"
#include "render/eight_lane_lighting.h"
#include "render/lane_lighting.h"
#include "render/lights.h"
#include "render/row_walk.h"
#include "render/shade_edges.h"
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

// Lights and stores the pending pixels: all of them, or only whole lane
// groups (the rest wait, at the front, for more pixels).
template <typename Reciprocals>
void LightPendingPixels(PendingPixels& pending, const FaceContext& context, bool allOfThem) {
    if (pending.count == 0) return;
    assert(context.lights != nullptr);
    const LaneLights& lights = *context.lights;
    const bool opaque = context.classColorIndex != TranslucentColorIndex;
#if VELMORA_EIGHT_LANES
    if (UseEightLanes) {
        LightInEightLanes(pending, context, lights, std::is_same_v<Reciprocals, ExactReciprocals>, opaque, allOfThem);
        return;
    }
#endif
    if (opaque)
        LightPendingLanes<SseLanes, Reciprocals, true>(pending, context, lights, allOfThem);
    else
        LightPendingLanes<SseLanes, Reciprocals, false>(pending, context, lights, allOfThem);
}

// The lane masks of the bit patterns 0..15 (bit i: lane i all ones).
struct LaneMasks {
    alignas(16) uint32_t mask[16][QuadLanes];
};
constexpr LaneMasks MakeLaneMasks() {
    LaneMasks masks{};
    for (int bits = 0; bits < 16; ++bits)
        for (int lane = 0; lane < QuadLanes; ++lane) masks.mask[bits][lane] = (bits >> lane & 1) ? ~0u : 0u;
    return masks;
}
constexpr LaneMasks MasksOfBits = MakeLaneMasks();
inline __m128 MaskOfBits(int bits) { return _mm_load_ps(reinterpret_cast<const float*>(MasksOfBits.mask[bits])); }

// Which rows' pixels join at each of four columns, from each row's mask of
// its four columns: bit 4 * column + lane.
inline int ColumnMasks(const __m128 (&joins)[RowLanes]) {
    const __m128i rows01 = _mm_packs_epi32(_mm_castps_si128(joins[0]), _mm_castps_si128(joins[1]));
    const __m128i rows23 = _mm_packs_epi32(_mm_castps_si128(joins[2]), _mm_castps_si128(joins[3]));
    const __m128i byRow = _mm_packs_epi16(rows01, rows23);  // byte 4 * lane + column
    const __m128i byColumn = _mm_shuffle_epi8(byRow, _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
    return _mm_movemask_epi8(byColumn);
}

// The selections: which of a lane's four columns from `column` on join the
// pending pixels, as a mask of the four (all ones where they join). depths is
// the lane's four depths, where NeedsDepths.
//   __m128 Four(lane, column, depths)          all four lie in the lane's span
//   __m128 Where(lane, column, depths, take)   only where take; memory up to the
//                                              four is the lane's own (wholeFoursFit)
//   __m128 First(lane, column, depths, count)  the first count (1..3)

// The pixels that hold the face's tag (the marking's winners).
struct MarkedSelection {
    static constexpr bool NeedsDepths = false;
    const uint32_t* first[RowLanes];  // each lane's first pixel in ColorBuffer
    uint32_t tag;

    __m128 Four(int lane, int32_t column, __m128) const {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first[lane] + column));
        return _mm_castsi128_ps(_mm_cmpeq_epi32(words, _mm_set1_epi32(static_cast<int>(tag))));
    }
    __m128 Where(int lane, int32_t column, __m128 depths, __m128 take) const {
        return _mm_and_ps(Four(lane, column, depths), take);
    }
    __m128 First(int lane, int32_t column, __m128, int32_t count) const {
        int bits = 0;
        for (int32_t k = 0; k < count; ++k) bits |= (first[lane][column + k] == tag) << k;
        return MaskOfBits(bits);
    }
};

// The pixels whose depth is strictly nearer than ShadeDepth's (an equal depth
// keeps the earlier face, NaN never passes); opaque faces store their depth
// there at once.
template <bool Opaque>
struct DepthTestedSelection {
    static constexpr bool NeedsDepths = true;
    float* first[RowLanes];  // each lane's first pixel in ShadeDepth

    // minps gives its first operand only where it is strictly smaller.
    __m128 Four(int lane, int32_t column, __m128 depths) const {
        float* shade = first[lane] + column;
        const __m128 stored = _mm_loadu_ps(shade);
        if (Opaque) _mm_storeu_ps(shade, LaneMin(depths, stored));
        return _mm_cmplt_ps(depths, stored);
    }
    __m128 Where(int lane, int32_t column, __m128 depths, __m128 take) const {
        float* shade = first[lane] + column;
        const __m128 stored = _mm_loadu_ps(shade);
        const __m128 passes = _mm_and_ps(_mm_cmplt_ps(depths, stored), take);
        if (Opaque) _mm_storeu_ps(shade, _mm_blendv_ps(stored, depths, passes));
        return passes;
    }
    __m128 First(int lane, int32_t column, __m128 depths, int32_t count) const {
        float* shade = first[lane] + column;
        int bits = 0;
        for (int32_t k = 0; k < count; ++k, depths = NextLane(depths)) {
            const float depth = _mm_cvtss_f32(depths);
            if (depth < shade[k]) {
                if (Opaque) shade[k] = depth;
                bits |= 1 << k;
            }
        }
        return MaskOfBits(bits);
    }
};

// Up to 16 pixels join per four columns.
constexpr int PixelsPerFourColumns = QuadLanes * RowLanes;
constexpr int AllLanesJoin = (1 << PixelsPerFourColumns) - 1;

// The values of every lane one column on (the depth advances apart).
[[gnu::always_inline]] inline void AdvanceColumn(__m128& nx, __m128& ny, __m128& nz, __m128& u, __m128& v,
                                                 __m128i& pixel, __m128 dnx, __m128 dny, __m128 dnz, __m128 du,
                                                 __m128 dv) {
    nx = _mm_add_ps(nx, dnx);
    ny = _mm_add_ps(ny, dny);
    nz = _mm_add_ps(nz, dnz);
    u = _mm_add_ps(u, du);
    v = _mm_add_ps(v, dv);
    pixel = _mm_add_epi32(pixel, _mm_set1_epi32(1));
}

// Walks the waiting rows, one per lane, in fours of columns: each lane's
// values start at its first column and advance by its own steps, one addition
// per column; the selection picks the pixels that join the pending ones.
template <typename Reciprocals, typename Selection>
void WalkFaceRows(FaceRows& rows, const FaceContext& context, const Selection& selection) {
    assert(rows.count > 0 && rows.count <= RowLanes);
    // Unused lanes repeat the first row (their pixels never join; a repeated
    // depth store finds the first lane's, which is not nearer).
    for (int lane = rows.count; lane < RowLanes; ++lane) {
        rows.length[lane] = rows.length[0];
        rows.left[lane] = rows.left[0];
        rows.firstPixel[lane] = rows.firstPixel[0];
        rows.normal[lane] = rows.normal[0];
        rows.attrib[lane] = rows.attrib[0];
        rows.normalStep[lane] = rows.normalStep[0];
        rows.attribStep[lane] = rows.attribStep[0];
    }
    // One vector per component, lane i holding row i's: x, y, z (and the
    // normal's fourth lane, always 0); u, v, depth (and the spare lane).
    __m128 nx = rows.normal[0], ny = rows.normal[1], nz = rows.normal[2], nw = rows.normal[3];
    _MM_TRANSPOSE4_PS(nx, ny, nz, nw);
    __m128 u = rows.attrib[0], v = rows.attrib[1], z = rows.attrib[2], spare = rows.attrib[3];
    _MM_TRANSPOSE4_PS(u, v, z, spare);
    __m128 dnx = rows.normalStep[0], dny = rows.normalStep[1], dnz = rows.normalStep[2], dnw = rows.normalStep[3];
    _MM_TRANSPOSE4_PS(dnx, dny, dnz, dnw);
    __m128 du = rows.attribStep[0], dv = rows.attribStep[1], dz = rows.attribStep[2], dspare = rows.attribStep[3];
    _MM_TRANSPOSE4_PS(du, dv, dz, dspare);

    // Each lane's pixel index at the current column.
    __m128i pixel = _mm_load_si128(reinterpret_cast<const __m128i*>(rows.firstPixel));
    const __m128i lengths = _mm_load_si128(reinterpret_cast<const __m128i*>(rows.length));
    const int usedLanes = ((1 << rows.count) - 1) * 0x1111;  // in each column's four bits
    const int32_t shortest = std::min(std::min(rows.length[0], rows.length[1]), std::min(rows.length[2], rows.length[3]));
    const int32_t longest = LongestOfFour(rows.length);
    // Whole fours past a row's end stay in the row (in a band worker, the
    // other worker writes the rows of the other band).
    const int32_t farthestLeft = std::max(std::max(rows.left[0], rows.left[1]), std::max(rows.left[2], rows.left[3]));
    const bool wholeFoursFit = context.band.right - farthestLeft >= ((longest + 3) & ~3);

    PendingPixels& pending = rows.pending;
    for (int32_t column = 0; column < longest; column += QuadLanes) {
        if (PendingCapacity - pending.count < PixelsPerFourColumns)
            LightPendingPixels<Reciprocals>(pending, context, false);
        // The depths of the four columns first (the depth test reads them
        // row by row); the other values advance column by column below.
        __m128 depth[QuadLanes];
        depth[0] = z;
        depth[1] = _mm_add_ps(depth[0], dz);
        depth[2] = _mm_add_ps(depth[1], dz);
        depth[3] = _mm_add_ps(depth[2], dz);
        z = _mm_add_ps(depth[3], dz);
        __m128 rowDepths[RowLanes] = {depth[0], depth[1], depth[2], depth[3]};
        if (Selection::NeedsDepths) _MM_TRANSPOSE4_PS(rowDepths[0], rowDepths[1], rowDepths[2], rowDepths[3]);

        __m128 joins[RowLanes];
        if (column + QuadLanes <= shortest) {
            for (int lane = 0; lane < RowLanes; ++lane) joins[lane] = selection.Four(lane, column, rowDepths[lane]);
        } else if (wholeFoursFit) {
            joins[0] = selection.Where(0, column, rowDepths[0], ColumnsBeforeEnd<0>(lengths, column));
            joins[1] = selection.Where(1, column, rowDepths[1], ColumnsBeforeEnd<1>(lengths, column));
            joins[2] = selection.Where(2, column, rowDepths[2], ColumnsBeforeEnd<2>(lengths, column));
            joins[3] = selection.Where(3, column, rowDepths[3], ColumnsBeforeEnd<3>(lengths, column));
        } else {
            for (int lane = 0; lane < RowLanes; ++lane) {
                const int32_t count = rows.length[lane] - column;
                joins[lane] = count >= QuadLanes ? selection.Four(lane, column, rowDepths[lane])
                              : count > 0        ? selection.First(lane, column, rowDepths[lane], count)
                                                 : _mm_setzero_ps();
            }
        }
        const int columnMasks = ColumnMasks(joins) & usedLanes;

        int count = pending.count;
        if (columnMasks == usedLanes && usedLanes == AllLanesJoin) {
            // Every lane's four pixels join: stored as they are.
            for (int j = 0; j < QuadLanes; ++j) {
                StoreLanes(pending, count, nx, ny, nz, u, v, depth[j], pixel);
                count += RowLanes;
                AdvanceColumn(nx, ny, nz, u, v, pixel, dnx, dny, dnz, du, dv);
            }
        } else {
            for (int j = 0; j < QuadLanes; ++j) {
                const int joining = columnMasks >> (QuadLanes * j) & 0xF;
                if (joining != 0) AppendLanes(pending, count, joining, nx, ny, nz, u, v, depth[j], pixel);
                AdvanceColumn(nx, ny, nz, u, v, pixel, dnx, dny, dnz, du, dv);
            }
        }
        pending.count = count;
    }
    rows.count = 0;
}

template <typename Reciprocals>
void WalkWaitingRows(FaceRows& rows, const FaceContext& context) {
    if (rows.count == 0) return;
    if (rows.tag != NoMarks) {
        MarkedSelection selection;
        selection.tag = rows.tag;
        for (int lane = 0; lane < RowLanes; ++lane)
            selection.first[lane] = context.colorBuffer + rows.firstPixel[lane < rows.count ? lane : 0];
        WalkFaceRows<Reciprocals>(rows, context, selection);
    } else if (context.classColorIndex != TranslucentColorIndex) {
        DepthTestedSelection<true> selection;
        for (int lane = 0; lane < RowLanes; ++lane)
            selection.first[lane] = context.shadeDepth + rows.firstPixel[lane < rows.count ? lane : 0];
        WalkFaceRows<Reciprocals>(rows, context, selection);
    } else {
        DepthTestedSelection<false> selection;
        for (int lane = 0; lane < RowLanes; ++lane)
            selection.first[lane] = context.shadeDepth + rows.firstPixel[lane < rows.count ? lane : 0];
        WalkFaceRows<Reciprocals>(rows, context, selection);
    }
}

// A set-up row waits on the next lane; `length` columns of it are walked.
template <typename Reciprocals>
void AddRow(FaceRows& rows, int32_t row, const ShadedSpan<Reciprocals>& span, int32_t length,
            const FaceContext& context) {
    assert(length >= 1 && rows.count < RowLanes);
    // The lanes carry the normal's x, y and z; its fourth lane is 0 throughout.
    assert(_mm_cvtss_f32(Broadcast<3>(span.values.normal)) == 0.0f && _mm_cvtss_f32(Broadcast<3>(span.steps.normal)) == 0.0f);
    const int lane = rows.count++;
    rows.length[lane] = length;
    rows.left[lane] = span.left;
    rows.firstPixel[lane] = static_cast<uint32_t>(row) * context.width + static_cast<uint32_t>(span.left);
    rows.normal[lane] = span.values.normal;
    rows.attrib[lane] = span.values.attrib;
    rows.normalStep[lane] = span.steps.normal;
    rows.attribStep[lane] = span.steps.attrib;
    if (rows.count == RowLanes) WalkWaitingRows<Reciprocals>(rows, context);
}

// One past the last column in [left, right) whose word is the tag, or left
// when none is: four words per comparison, from the right end.
inline int32_t MarkedEnd(const uint32_t* colour, int32_t left, int32_t right, uint32_t tag) {
    const __m128i tags = _mm_set1_epi32(static_cast<int>(tag));
    int32_t column = right;
    for (; column - QuadLanes >= left; column -= QuadLanes) {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + column - QuadLanes));
        const int marked = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(words, tags)));
        if (marked != 0) return column - QuadLanes + (marked >= 8 ? 4 : marked >= 4 ? 3 : marked >= 2 ? 2 : 1);
    }
    for (; column > left; --column)
        if (colour[column - 1] == tag) return column;
    return left;
}

}  // namespace

template <typename Reciprocals>
void GatherSpan(FaceRows& rows, int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context) {
    assert(rows.tag == NoMarks);
    ShadedSpan<Reciprocals> span;
    if (SetUpSpan(row, end1, end2, context.band, span)) AddRow(rows, row, span, span.right - span.left, context);
}

template <typename Reciprocals>
void GatherFace(FaceRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                const FaceContext& context) {
    // The span shader draws nothing outside the band's rows, so the walk hands
    // on only those; the edges still advance through the rows above the band.
    WalkTriangle<ShadeEdges<Reciprocals>>(v0, v1, v2, context.band.top, context.band.bottom,
                                          [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                                              GatherSpan<Reciprocals>(rows, row, longEnd, shortEnd, context);
                                          });
}

namespace {

// One past the last column of the row in the band that holds the tag, or the
// row's left column in the band (`left`) when none does.
inline int32_t RowMarkedEnd(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                            uint32_t tag, int32_t& left) {
    left = std::max(std::min(end1.x, end2.x), context.band.left);
    const int32_t right = std::min(std::max(end1.x, end2.x), context.band.right);
    if (left >= right) return left;
    return MarkedEnd(context.colorBuffer + static_cast<size_t>(row) * context.width, left, right, tag);
}

}  // namespace

template <typename Reciprocals>
void GatherMarkedFace(FaceRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                      RowRange marked, const FaceContext& context) {
    assert(rows.tag != NoMarks && marked.first >= context.band.top && marked.end <= context.band.bottom);
    WalkTriangle<ShadeEdges<Reciprocals>>(
        v0, v1, v2, marked.first, marked.end, [&](int32_t row, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
            // Many rows hold none of the tags (later faces took their pixels):
            // they are searched before they are set up.
            int32_t left;
            const int32_t end = RowMarkedEnd(row, longEnd, shortEnd, context, rows.tag, left);
            if (end == left) return;
            ShadedSpan<Reciprocals> span;
            if (!SetUpSpan(row, longEnd, shortEnd, context.band, span)) return;
            assert(span.left == left && end <= span.right);
            AddRow(rows, row, span, end - span.left, context);
        });
}

template <typename Reciprocals>
void LightFaceRows(FaceRows& rows, const FaceContext& context) {
    WalkWaitingRows<Reciprocals>(rows, context);
    LightPendingPixels<Reciprocals>(rows.pending, context, true);
}

// The instances of the two arithmetic modes.
template void GatherSpan<EstimatedReciprocals>(FaceRows&, int32_t, const SpanEnd&, const SpanEnd&, const FaceContext&);
template void GatherSpan<ExactReciprocals>(FaceRows&, int32_t, const SpanEnd&, const SpanEnd&, const FaceContext&);
template void GatherFace<EstimatedReciprocals>(FaceRows&, const ShadeVertex&, const ShadeVertex&, const ShadeVertex&,
                                              const FaceContext&);
template void GatherFace<ExactReciprocals>(FaceRows&, const ShadeVertex&, const ShadeVertex&, const ShadeVertex&,
                                          const FaceContext&);
template void GatherMarkedFace<EstimatedReciprocals>(FaceRows&, const ShadeVertex&, const ShadeVertex&,
                                                    const ShadeVertex&, RowRange, const FaceContext&);
template void GatherMarkedFace<ExactReciprocals>(FaceRows&, const ShadeVertex&, const ShadeVertex&, const ShadeVertex&,
                                                RowRange, const FaceContext&);
template void LightFaceRows<EstimatedReciprocals>(FaceRows&, const FaceContext&);
template void LightFaceRows<ExactReciprocals>(FaceRows&, const FaceContext&);
