#include "render/nearest_marks.h"

#include <smmintrin.h>

#include <algorithm>

#include "core/reciprocal.h"
#include "render/row_walk.h"
#include "render/shade_edges.h"

namespace {

// What marking's edges carry besides the column: the depth alone, stepped as
// the depth lane of the shading pass's attributes (ShadeEdges) is: the depth
// difference times the one reciprocal of the row count, added once per row.
template <typename Reciprocals>
struct DepthEdges {
    struct End {
        int32_t x;
        float depth;
    };
    using Vertex = ShadeVertex;
    using Values = float;

    static float At(const ShadeVertex& v) { return v.depth; }
    static float StepsPerRow(const ShadeVertex& from, const ShadeVertex& to, int32_t rows) {
        return (to.depth - from.depth) * Reciprocals::Rcp(static_cast<float>(rows));
    }
    static float NoSteps() { return 0.0f; }
    static void Add(float& depth, float step) { depth += step; }
    static End EndAt(int32_t column, float depth) { return End{column, depth}; }
};

// What marking does with a lane's depths, as one span at a time does it: where
// the depth is strictly nearer than ShadeDepth (an equal depth leaves the
// earlier face, NaN never wins), ShadeDepth takes the depth and ColorBuffer
// the lane's tag.
struct MarkNearer {
    float* shade[RowLanes];  // each lane's first pixel
    uint32_t* colour[RowLanes];
    __m128i tag[RowLanes];
    __m128 nearer[RowLanes];  // set where some pixel of the lane took its tag

    // minps gives its first operand only where it is strictly smaller.
    void Four(int lane, int32_t column, __m128 depths) {
        float* shadePixel = shade[lane] + column;
        __m128i* words = reinterpret_cast<__m128i*>(colour[lane] + column);
        const __m128 stored = _mm_loadu_ps(shadePixel);
        const __m128 wins = _mm_cmplt_ps(depths, stored);
        _mm_storeu_ps(shadePixel, LaneMin(depths, stored));
        _mm_storeu_si128(words, _mm_blendv_epi8(_mm_loadu_si128(words), tag[lane], _mm_castps_si128(wins)));
        nearer[lane] = _mm_or_ps(nearer[lane], wins);
    }
    void Where(int lane, int32_t column, __m128 depths, __m128 take) {
        float* shadePixel = shade[lane] + column;
        __m128i* words = reinterpret_cast<__m128i*>(colour[lane] + column);
        const __m128 stored = _mm_loadu_ps(shadePixel);
        const __m128 wins = _mm_and_ps(_mm_cmplt_ps(depths, stored), take);
        _mm_storeu_ps(shadePixel, _mm_blendv_ps(stored, depths, wins));
        _mm_storeu_si128(words, _mm_blendv_epi8(_mm_loadu_si128(words), tag[lane], _mm_castps_si128(wins)));
        nearer[lane] = _mm_or_ps(nearer[lane], wins);
    }
    void First(int lane, int32_t column, __m128 depths, int32_t count) {
        float* shadePixel = shade[lane] + column;
        uint32_t* words = colour[lane] + column;
        for (int32_t k = 0; k < count; ++k, depths = NextLane(depths)) {
            const float depth = _mm_cvtss_f32(depths);
            if (depth < shadePixel[k]) {
                shadePixel[k] = depth;
                words[k] = static_cast<uint32_t>(_mm_cvtsi128_si32(tag[lane]));
                nearer[lane] = _mm_castsi128_ps(_mm_set1_epi32(-1));
            }
        }
    }
};

// Sets the lanes up as one span alone is set up (SetUpSpan with the marking's
// depth values: the step from the unclipped ends with one reciprocal of the
// column count, the left clip in one product and one sum), then marks them.
template <typename Reciprocals>
void MarkLanes(MarkRows& rows) {
    const FaceContext& context = *rows.context;
    const BandRect& band = context.band;
    const OrderedEnds ends = OrderLaneEnds(rows);
    __m128i left = ends.left, right = ends.right;
    const __m128 leftDepth = ends.leftDepth, rightDepth = ends.rightDepth;
    // One reciprocal per span, each lane's taken alone as one span takes it.
    alignas(16) float columns[RowLanes], reciprocal[RowLanes];
    _mm_store_ps(columns, _mm_cvtepi32_ps(_mm_sub_epi32(right, left)));
    for (int lane = 0; lane < RowLanes; ++lane) reciprocal[lane] = Reciprocals::Rcp(columns[lane]);
    const __m128 step = _mm_mul_ps(_mm_sub_ps(rightDepth, leftDepth), _mm_load_ps(reciprocal));
    const __m128i bandLeft = _mm_set1_epi32(band.left);
    const __m128 clipped = _mm_castsi128_ps(_mm_cmplt_epi32(left, bandLeft));
    const __m128 clippedDepth = _mm_add_ps(_mm_mul_ps(step, _mm_cvtepi32_ps(_mm_sub_epi32(bandLeft, left))), leftDepth);
    const __m128 depth = _mm_blendv_ps(leftDepth, clippedDepth, clipped);
    left = _mm_max_epi32(left, bandLeft);
    right = _mm_min_epi32(right, _mm_set1_epi32(band.right));
    alignas(16) int32_t leftOf[RowLanes], length[RowLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(leftOf), left);
    _mm_store_si128(reinterpret_cast<__m128i*>(length), _mm_sub_epi32(right, left));

    MarkNearer store;
    int32_t farthestLeft = leftOf[0];
    for (int lane = 0; lane < RowLanes; ++lane) {
        const size_t first = static_cast<size_t>(rows.row[lane]) * context.width + leftOf[lane];
        store.shade[lane] = context.shadeDepth + first;
        store.colour[lane] = context.colorBuffer + first;
        store.tag[lane] = _mm_set1_epi32(static_cast<int>(NearestTag(rows.face[lane])));
        store.nearer[lane] = _mm_setzero_ps();
        farthestLeft = std::max(farthestLeft, leftOf[lane]);
    }
    // Whole fours past a span's end stay in the lane's own row of the band:
    // the other worker writes the rows of the other band meanwhile.
    const int32_t longest = std::max(std::max(length[0], length[1]), std::max(length[2], length[3]));
    const bool wholeFoursFit = band.right - farthestLeft >= ((longest + 3) & ~3);
    WalkRowLanes(depth, step, length, wholeFoursFit, store);

    for (int lane = 0; lane < rows.count; ++lane) {
        if (_mm_movemask_ps(store.nearer[lane]) == 0) continue;
        RowRange& marked = rows.marked[rows.face[lane]];
        const int32_t row = rows.row[lane];
        if (marked.Empty()) {
            marked = RowRange{row, row + 1};
        } else {
            marked.first = std::min(marked.first, row);
            marked.end = std::max(marked.end, row + 1);
        }
    }
}

template <typename End>
inline void AddSpan(MarkRows& rows, int32_t row, const End& end1, const End& end2, uint32_t face) {
    // The span set-up's rejections (the walk hands on only the band's rows).
    const BandRect& band = rows.context->band;
    if (end1.x == end2.x) return;
    const int32_t left = end1.x < end2.x ? end1.x : end2.x;
    const int32_t right = end1.x < end2.x ? end2.x : end1.x;
    if (left >= band.right || right <= band.left) return;
    if (EarlierSpanWaitsOnRow(rows, row)) FlushMarkRows(rows);
    rows.face[AppendSpan(rows, row, end1, end2)] = face;
    if (rows.count == RowLanes) FlushMarkRows(rows);
}

}  // namespace

MarkRows StartMarkRows(const FaceContext& context, RowRange* marked) {
    MarkRows rows{};
    rows.context = &context;
    rows.marked = marked;
    rows.count = 0;
    return rows;
}

void MarkNearestTriangle(MarkRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         uint32_t face) {
    rows.marked[face] = RowRange{0, 0};
    const FaceContext& context = *rows.context;
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return;
    rows.earlierFaces = rows.count;
    WithReciprocals([&](auto reciprocals) {
        using Edges = DepthEdges<decltype(reciprocals)>;
        WalkTriangle<Edges>(v0, v1, v2, context.band.top, context.band.bottom,
                            [&](int32_t row, const typename Edges::End& longEnd, const typename Edges::End& shortEnd) {
                                AddSpan(rows, row, longEnd, shortEnd, face);
                            });
    });
}

void FlushMarkRows(MarkRows& rows) {
    if (rows.count == 0) return;
    // Unused lanes repeat the first span: marking a span twice marks what
    // marking it once does (the second finds its own depths, which are not nearer).
    RepeatFirstSpan(rows);
    for (int lane = rows.count; lane < RowLanes; ++lane) rows.face[lane] = rows.face[0];
    WithReciprocals([&](auto reciprocals) { MarkLanes<decltype(reciprocals)>(rows); });
    rows.count = 0;
    rows.earlierFaces = 0;
}
