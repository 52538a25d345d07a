#include "render/prepass_rows.h"

#include <smmintrin.h>

#include <algorithm>

#include "render/triangle_walk.h"

namespace {

// The four spans' first pixels, lengths, first depths and depth steps, each
// lane set up as PrepassSpan sets up its row.
struct LaneSpans {
    float* first[PrepassLanes];
    alignas(16) int32_t length[PrepassLanes];
    __m128 depth, step;
};

LaneSpans SetUpLanes(const PrepassRows& rows) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i x1 = _mm_load_si128(reinterpret_cast<const __m128i*>(rows.x1));
    const __m128i x2 = _mm_load_si128(reinterpret_cast<const __m128i*>(rows.x2));
    const __m128 depth1 = _mm_load_ps(rows.depth1), depth2 = _mm_load_ps(rows.depth2);
    // The ends ordered left to right, their depths with them (equal columns never wait).
    const __m128 firstIsLeft = _mm_castsi128_ps(_mm_cmplt_epi32(x1, x2));
    __m128i left = _mm_min_epi32(x1, x2);
    __m128i right = _mm_max_epi32(x1, x2);
    const __m128 leftDepth = _mm_blendv_ps(depth2, depth1, firstIsLeft);
    const __m128 rightDepth = _mm_blendv_ps(depth1, depth2, firstIsLeft);
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
    alignas(16) int32_t leftOf[PrepassLanes];
    _mm_store_si128(reinterpret_cast<__m128i*>(leftOf), left);
    for (int lane = 0; lane < PrepassLanes; ++lane)
        lanes.first[lane] = rows.depthBuffer + static_cast<size_t>(rows.row[lane]) * rows.width + leftOf[lane];
    return lanes;
}

// Keeps the smaller of each depth and the stored one. minps gives its first
// operand only where it is strictly smaller: an equal depth keeps the stored
// bits (-0 does not replace +0) and NaN never stores, as in PrepassSpan.
inline void KeepNearer4(float* pixel, __m128 depths) {
    _mm_storeu_ps(pixel, _mm_min_ps(depths, _mm_loadu_ps(pixel)));
}

// The first `count` (0..3) of the four depths, one column at a time: a span's
// last columns must not touch the pixels after it (the buffer may end there).
inline void KeepNearerFirst(float* pixel, __m128 depths, int32_t count) {
    for (int32_t column = 0; column < count; ++column) {
        _mm_store_ss(pixel + column, _mm_min_ss(depths, _mm_load_ss(pixel + column)));
        depths = _mm_shuffle_ps(depths, depths, _MM_SHUFFLE(0, 3, 2, 1));
    }
}

inline void KeepNearerUpTo(float* pixel, __m128 depths, int32_t count) {
    if (count >= 4)
        KeepNearer4(pixel, depths);
    else if (count > 0)
        KeepNearerFirst(pixel, depths, count);
}

// The four columns where `take` is set; the others get their stored value
// back, read and written unchanged. No one can tell that from not touching
// them: the pre-pass runs alone, and the lanes are different rows.
inline void KeepNearerWhere(float* pixel, __m128 depths, __m128 take) {
    const __m128 stored = _mm_loadu_ps(pixel);
    _mm_storeu_ps(pixel, _mm_blendv_ps(stored, _mm_min_ps(depths, stored), take));
}

// Lane `Lane`'s four columns from `column` on, those before its span's end.
template <int Lane>
inline void KeepNearerBeforeEnd(const LaneSpans& lanes, int32_t column, __m128i columnsLeft, __m128 depths) {
    const __m128i left = _mm_shuffle_epi32(columnsLeft, _MM_SHUFFLE(Lane, Lane, Lane, Lane));
    const __m128 take = _mm_castsi128_ps(_mm_cmpgt_epi32(left, _mm_setr_epi32(0, 1, 2, 3)));
    KeepNearerWhere(lanes.first[Lane] + column, depths, take);
}

// The depths of the next four columns of every lane: each lane adds its own
// step once per column, then the four columns of each row are gathered into
// one vector (row lane i ends up in vector i).
struct FourColumns {
    __m128 row[PrepassLanes];
};

inline FourColumns NextFourColumns(__m128& depth, __m128 step) {
    FourColumns c;
    c.row[0] = depth;
    c.row[1] = _mm_add_ps(c.row[0], step);
    c.row[2] = _mm_add_ps(c.row[1], step);
    c.row[3] = _mm_add_ps(c.row[2], step);
    depth = _mm_add_ps(c.row[3], step);
    _MM_TRANSPOSE4_PS(c.row[0], c.row[1], c.row[2], c.row[3]);
    return c;
}

void DrawLanes(const LaneSpans& lanes, const float* bufferEnd) {
    const int32_t* length = lanes.length;
    const int32_t shortest = std::min(std::min(length[0], length[1]), std::min(length[2], length[3]));
    const int32_t longest = std::max(std::max(length[0], length[1]), std::max(length[2], length[3]));
    __m128 depth = lanes.depth;
    int32_t column = 0;
    // Every lane has four more columns.
    for (; column + 4 <= shortest; column += 4) {
        const FourColumns c = NextFourColumns(depth, lanes.step);
        for (int lane = 0; lane < PrepassLanes; ++lane) KeepNearer4(lanes.first[lane] + column, c.row[lane]);
    }
    if (column >= longest) return;
    // The ragged ends: each lane up to its own length, in whole fours where
    // they stay inside the buffer (they do except at the very end of it).
    const float* lastFirst = std::max(std::max(lanes.first[0], lanes.first[1]), std::max(lanes.first[2], lanes.first[3]));
    const int32_t roundedLongest = (longest + 3) & ~3;
    if (bufferEnd - lastFirst >= roundedLongest) {
        const __m128i lengths = _mm_load_si128(reinterpret_cast<const __m128i*>(length));
        for (; column < longest; column += 4) {
            const FourColumns c = NextFourColumns(depth, lanes.step);
            const __m128i columnsLeft = _mm_sub_epi32(lengths, _mm_set1_epi32(column));
            KeepNearerBeforeEnd<0>(lanes, column, columnsLeft, c.row[0]);
            KeepNearerBeforeEnd<1>(lanes, column, columnsLeft, c.row[1]);
            KeepNearerBeforeEnd<2>(lanes, column, columnsLeft, c.row[2]);
            KeepNearerBeforeEnd<3>(lanes, column, columnsLeft, c.row[3]);
        }
        return;
    }
    for (; column < longest; column += 4) {
        const FourColumns c = NextFourColumns(depth, lanes.step);
        for (int lane = 0; lane < PrepassLanes; ++lane)
            KeepNearerUpTo(lanes.first[lane] + column, c.row[lane], length[lane] - column);
    }
}

inline void AddSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2) {
    // PrepassSpan's rejections: rows off the buffer, empty spans, spans wholly
    // left or right of it.
    if (row < 0 || row >= rows.height || end1.x == end2.x) return;
    const int32_t left = end1.x < end2.x ? end1.x : end2.x;
    const int32_t right = end1.x < end2.x ? end2.x : end1.x;
    if (left >= rows.width || right <= 0) return;
    const __m128i waitingRows = _mm_load_si128(reinterpret_cast<const __m128i*>(rows.row));
    const int sameRow = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(waitingRows, _mm_set1_epi32(row))));
    if ((sameRow & ((1 << rows.count) - 1)) != 0) FlushPrepassRows(rows);
    const int lane = rows.count++;
    rows.row[lane] = row;
    rows.x1[lane] = end1.x;
    rows.x2[lane] = end2.x;
    rows.depth1[lane] = end1.depth;
    rows.depth2[lane] = end2.depth;
    if (rows.count == PrepassLanes) FlushPrepassRows(rows);
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

void AddPrepassSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2) {
    AddSpan(rows, row, end1, end2);
}

void FlushPrepassRows(PrepassRows& rows) {
    if (rows.count == 0) return;
    // Unused lanes repeat the first span: drawing a span twice stores what
    // drawing it once does (the second minimum finds the first one's result).
    for (int lane = rows.count; lane < PrepassLanes; ++lane) {
        rows.row[lane] = rows.row[0];
        rows.x1[lane] = rows.x1[0];
        rows.x2[lane] = rows.x2[0];
        rows.depth1[lane] = rows.depth1[0];
        rows.depth2[lane] = rows.depth2[0];
    }
    DrawLanes(SetUpLanes(rows), rows.depthBuffer + static_cast<size_t>(rows.width) * rows.height);
    rows.count = 0;
}

void AddPrepassTriangle(PrepassRows& rows, PrepassVertex a, PrepassVertex b, PrepassVertex c) {
    // As PrepassTriangle: faces wholly left of column 0 are not walked, rows
    // off the buffer are not handed on.
    if (a.x < 0 && b.x < 0 && c.x < 0) return;
    WalkTriangle<PrepassEdges>(a, b, c, 0, rows.height,
                               [&rows](int32_t row, const PrepassEnd& longEnd, const PrepassEnd& shortEnd) {
                                   AddSpan(rows, row, longEnd, shortEnd);
                               });
}
