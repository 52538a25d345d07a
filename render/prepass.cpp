#include "render/prepass.h"

#include <smmintrin.h>

#include <algorithm>

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/row_lanes.h"
#include "render/row_walk.h"
#include "render/screen_point.h"

namespace {

// The four spans' first pixels, lengths, first depths and depth steps, each
// lane set up as one span alone is set up (SetUpSpan with the pre-pass rule).
struct LaneSpans {
    float* first[RowLanes];
    alignas(16) int32_t length[RowLanes];
    __m128 depth, step;
};

LaneSpans SetUpLanes(const PrepassRows& rows) {
    const __m128i zero = _mm_setzero_si128();
    const OrderedEnds ends = OrderLaneEnds(rows);
    __m128i left = ends.left, right = ends.right;
    const __m128 leftDepth = ends.leftDepth, rightDepth = ends.rightDepth;
    LaneSpans lanes;
    // One exact division per span: the lanes' quotients are divss's.
    lanes.step = _mm_div_ps(_mm_sub_ps(rightDepth, leftDepth), _mm_cvtepi32_ps(_mm_sub_epi32(right, left)));
    // Left clip where left <= 0: one product and one sum, as one row does it
    // (at left = 0 too, where the sum can still change the bits: -0 + 0 = +0).
    const __m128 clipped = _mm_castsi128_ps(_mm_cmpgt_epi32(_mm_set1_epi32(1), left));
    const __m128 clippedDepth =
        _mm_add_ps(leftDepth, _mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(zero, left)), lanes.step));
    lanes.depth = _mm_blendv_ps(leftDepth, clippedDepth, clipped);
    left = _mm_max_epi32(left, zero);
    right = _mm_min_epi32(right, _mm_set1_epi32(rows.width));  // keeps the walk inside the row
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes.length), _mm_sub_epi32(right, left));
    alignas(16) int32_t leftOf[RowLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(leftOf), left);
    for (int lane = 0; lane < RowLanes; ++lane)
        lanes.first[lane] = rows.depthBuffer + static_cast<size_t>(rows.row[lane]) * rows.width + leftOf[lane];
    return lanes;
}

// What the pre-pass does with a lane's depths: keeps the smaller of each
// depth and the stored one. minps gives its first operand only where it is
// strictly smaller: an equal depth keeps the stored bits (-0 does not replace
// +0) and NaN never stores, as one span at a time does.
struct KeepNearer {
    float* const* first;  // each lane's first pixel

    void Four(int lane, int32_t column, __m128 depths) const {
        float* pixel = first[lane] + column;
        _mm_storeu_ps(pixel, LaneMin(depths, _mm_loadu_ps(pixel)));
    }
    void Where(int lane, int32_t column, __m128 depths, __m128 take) const {
        float* pixel = first[lane] + column;
        const __m128 stored = _mm_loadu_ps(pixel);
        _mm_storeu_ps(pixel, _mm_blendv_ps(stored, LaneMin(depths, stored), take));
    }
    void First(int lane, int32_t column, __m128 depths, int32_t count) const {
        float* pixel = first[lane] + column;
        for (int32_t k = 0; k < count; ++k, depths = NextLane(depths))
            pixel[k] = ScalarMin(_mm_cvtss_f32(depths), pixel[k]);
    }
};

void DrawLanes(const LaneSpans& lanes, const float* bufferEnd) {
    // Whole fours past a span's end may run into the next rows, which is
    // harmless here (the pre-pass runs alone, and a lane writes back what it
    // read), but not past the buffer's end.
    const int32_t* length = lanes.length;
    const int32_t longest = std::max(std::max(length[0], length[1]), std::max(length[2], length[3]));
    const float* lastFirst =
        std::max(std::max(lanes.first[0], lanes.first[1]), std::max(lanes.first[2], lanes.first[3]));
    const bool wholeFoursFit = bufferEnd - lastFirst >= ((longest + 3) & ~3);
    KeepNearer store{lanes.first};
    WalkRowLanes(lanes.depth, lanes.step, lanes.length, wholeFoursFit, store);
}

inline void AddSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2) {
    // The span set-up's rejections: rows off the buffer, empty spans, spans
    // wholly left or right of it.
    if (row < 0 || row >= rows.height || end1.x == end2.x) return;
    const int32_t left = end1.x < end2.x ? end1.x : end2.x;
    const int32_t right = end1.x < end2.x ? end2.x : end1.x;
    if (left >= rows.width || right <= 0) return;
    if (EarlierSpanWaitsOnRow(rows, row)) FlushPrepassRows(rows);
    AppendSpan(rows, row, end1, end2);
    if (rows.count == RowLanes) FlushPrepassRows(rows);
}

}  // namespace

PrepassRows StartPrepassRows(float* depthBuffer, int32_t width, int32_t height) {
    PrepassRows rows{};
    rows.depthBuffer = depthBuffer;
    rows.width = width;
    rows.height = height;
    rows.count = 0;
    return rows;
}

void PrepassSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2) {
    rows.earlierFaces = rows.count;  // a span of its own face
    AddSpan(rows, row, end1, end2);
}

void FlushPrepassRows(PrepassRows& rows) {
    if (rows.count == 0) return;
    // Unused lanes repeat the first span: drawing a span twice stores what
    // drawing it once does (the second minimum finds the first one's result).
    RepeatFirstSpan(rows);
    DrawLanes(SetUpLanes(rows), rows.depthBuffer + static_cast<size_t>(rows.width) * rows.height);
    rows.count = 0;
    rows.earlierFaces = 0;
}

void PrepassTriangle(PrepassRows& rows, PrepassVertex a, PrepassVertex b, PrepassVertex c) {
    // Faces wholly left of column 0 are not walked; rows off the buffer are
    // not handed on, and the rest is rejected span by span.
    if (a.x < 0 && b.x < 0 && c.x < 0) return;
    rows.earlierFaces = rows.count;
    WalkTriangle<PrepassEdges>(a, b, c, 0, rows.height,
                               [&rows](int32_t row, const PrepassEnd& longEnd, const PrepassEnd& shortEnd) {
                                   AddSpan(rows, row, longEnd, shortEnd);
                               });
}

bool PrepassCornersOf(uint32_t face, PrepassVertex (&corners)[3]) {
    const Face& f = ModelFaces[face];
    const uint16_t indices[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; ++k) {
        const Vec3& v = ScreenVertices[indices[k]];
        const ScreenPoint point = ToScreenPoint(v);
        corners[k] = PrepassVertex{point.x, point.y, v.z};
    }
    return HasScreenPositions(f);
}

void DrawPrepass() {
    PrepassRows rows = StartPrepassRows(Scene.prepassDepth, Scene.width, Scene.height);
    for (uint32_t i = 0; i < Scene.faceCount; ++i) {
        PrepassVertex corners[3];
        if (PrepassCornersOf(i, corners)) PrepassTriangle(rows, corners[0], corners[1], corners[2]);
    }
    FlushPrepassRows(rows);
}
