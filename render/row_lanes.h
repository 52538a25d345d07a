// Spans on four different rows walked together, one row per lane: the walk
// of the two depth-only passes, the pre-pass and the marking of the nearest
// opaque fragments. Along a span the depth is a chain of dependent additions,
// one per column; four rows are four independent chains, so one four-lane
// addition advances all of them. Each lane starts from the depth and step its
// row would get alone and adds its step once per column, exactly as one row
// at a time would, so every pixel sees the same bits.
//
// The spans wait in a batch (LaneBatch), joining in face order, each on its
// own lane; a span whose row already waits with a span of an earlier face
// sends the batch on first, so every pixel still meets the faces in face
// order (a face's own rows all differ). Spans that would draw nothing never
// join. A batch that is full or flushed is set up lane by lane as each span
// alone is set up (the ends put in order, the depth step from the unclipped
// ends, the left clip in one product and one sum, the right end cut to the
// bounds) and walked (WalkRowLanes).
//
// What the two passes do differently is their Pass:
//   struct Pass {
//       BandRect Bounds() const;        // the rows and columns its spans may draw
//       // True: a span starting on the left bound takes the left clip too,
//       // by 0 columns (the pre-pass's rule: -0 becomes +0 there, and a
//       // non-finite step a NaN depth).
//       static constexpr bool ClipsAtLeftBound = ...;
//       __m128 DepthSteps(__m128 depthDelta, __m128i columns) const;  // per lane
//       void Walk(const LaneBatch<Pass>& batch, const LaneSpans& spans) const;  // calls WalkRowLanes
//   };
#pragma once
#include <smmintrin.h>

#include <algorithm>
#include <cassert>
#include <cstdint>

#include "core/types.h"
#include "render/span_setup.h"

constexpr int RowLanes = 4;

// The depths of four consecutive columns of each lane's row: row[i] holds
// lane i's four columns (gathered from the four steps by a transpose).
struct FourColumns {
    __m128 row[RowLanes];
};

// The next four columns of every lane: each lane adds its own step once per
// column, from `depth` on; `depth` moves on to the column after them.
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

// The longest of four lengths.
inline int32_t LongestOfFour(const int32_t (&length)[RowLanes]) {
    return std::max(std::max(length[0], length[1]), std::max(length[2], length[3]));
}

// The lowest lane of v moved out: lane 1 becomes lane 0 and so on.
inline __m128 NextLane(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 3, 2, 1)); }

// Which of a lane's four columns from `column` on lie before its span's end.
template <int Lane>
inline __m128 ColumnsBeforeEnd(__m128i lengths, int32_t column) {
    const __m128i left = _mm_sub_epi32(lengths, _mm_set1_epi32(column));
    const __m128i lane = _mm_shuffle_epi32(left, _MM_SHUFFLE(Lane, Lane, Lane, Lane));
    return _mm_castsi128_ps(_mm_cmpgt_epi32(lane, _mm_setr_epi32(0, 1, 2, 3)));
}

// Walks four spans (one per lane, `length` columns each, all at least 1) from
// their first columns, where the lanes' depths are `depth`, in fours. What a
// lane does with its depths is the Store's:
//   Four(lane, column, depths)           all four columns lie in the span;
//   Where(lane, column, depths, take)    the columns where `take` is set; the
//                                        others are read and written back
//                                        unchanged (only where wholeFoursFit);
//   First(lane, column, depths, count)   the first `count` (1..3) columns.
// wholeFoursFit: every lane may touch four columns at a time up to the
// longest span rounded up to four (its memory goes on that far and no one
// else writes it meanwhile), which turns the ragged ends into masks.
template <typename Store>
[[gnu::always_inline]] inline void WalkRowLanes(__m128 depth, __m128 step, const int32_t (&length)[RowLanes],
                                                bool wholeFoursFit, Store& store) {
    for (int lane = 0; lane < RowLanes; ++lane) assert(length[lane] >= 1);
    const int32_t shortest = std::min(std::min(length[0], length[1]), std::min(length[2], length[3]));
    const int32_t longest = LongestOfFour(length);
    int32_t column = 0;
    for (; column + 4 <= shortest; column += 4) {
        const FourColumns c = NextFourColumns(depth, step);
        for (int lane = 0; lane < RowLanes; ++lane) store.Four(lane, column, c.row[lane]);
    }
    if (wholeFoursFit) {
        const __m128i lengths = _mm_loadu_si128(reinterpret_cast<const __m128i*>(length));
        for (; column < longest; column += 4) {
            const FourColumns c = NextFourColumns(depth, step);
            store.Where(0, column, c.row[0], ColumnsBeforeEnd<0>(lengths, column));
            store.Where(1, column, c.row[1], ColumnsBeforeEnd<1>(lengths, column));
            store.Where(2, column, c.row[2], ColumnsBeforeEnd<2>(lengths, column));
            store.Where(3, column, c.row[3], ColumnsBeforeEnd<3>(lengths, column));
        }
        return;
    }
    for (; column < longest; column += 4) {
        const FourColumns c = NextFourColumns(depth, step);
        for (int lane = 0; lane < RowLanes; ++lane) {
            const int32_t count = length[lane] - column;
            if (count >= 4)
                store.Four(lane, column, c.row[lane]);
            else if (count > 0)
                store.First(lane, column, c.row[lane], count);
        }
    }
}

// The four spans set up: each lane's first column and length (at least 1),
// its depth there and its step per column.
struct LaneSpans {
    alignas(16) int32_t left[RowLanes];
    alignas(16) int32_t length[RowLanes];
    __m128 depth, step;
    // Every lane may touch whole fours up to the longest span rounded up to
    // four and stay in its own row of the bounds (WalkRowLanes).
    bool wholeFoursFit;
};

template <typename Pass>
struct LaneBatch {
    Pass pass;
    int count;         // spans waiting, one per lane from lane 0
    int earlierFaces;  // the first lanes, whose spans came from faces before the current one
    alignas(16) int32_t row[RowLanes];
    alignas(16) int32_t x1[RowLanes], x2[RowLanes];
    alignas(16) float depth1[RowLanes], depth2[RowLanes];
    uint32_t face[RowLanes];
};

template <typename Pass>
inline LaneBatch<Pass> StartLaneBatch(const Pass& pass) {
    LaneBatch<Pass> batch{};
    batch.pass = pass;
    return batch;
}

// The spans added from now on belong to the next face.
template <typename Pass>
inline void StartFace(LaneBatch<Pass>& batch) {
    batch.earlierFaces = batch.count;
}

// True when a span of an earlier face waits on `row`.
template <typename Pass>
inline bool EarlierSpanWaitsOnRow(const LaneBatch<Pass>& batch, int32_t row) {
    if (batch.earlierFaces == 0) return false;
    const __m128i waitingRows = _mm_load_si128(reinterpret_cast<const __m128i*>(batch.row));
    const int sameRow = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(waitingRows, _mm_set1_epi32(row))));
    return (sameRow & ((1 << batch.earlierFaces) - 1)) != 0;
}

// Each lane set up as its span alone is set up. Lanes past count repeat lane 0.
template <typename Pass>
inline LaneSpans SetUpLanes(const LaneBatch<Pass>& batch) {
    const BandRect bounds = batch.pass.Bounds();
    // The ends in order, left to right, each with its depth (a span whose
    // two columns are equal never waits).
    const __m128i x1 = _mm_load_si128(reinterpret_cast<const __m128i*>(batch.x1));
    const __m128i x2 = _mm_load_si128(reinterpret_cast<const __m128i*>(batch.x2));
    const __m128 depth1 = _mm_load_ps(batch.depth1), depth2 = _mm_load_ps(batch.depth2);
    const __m128 firstIsLeft = _mm_castsi128_ps(_mm_cmplt_epi32(x1, x2));
    __m128i left = _mm_min_epi32(x1, x2), right = _mm_max_epi32(x1, x2);
    const __m128 leftDepth = _mm_blendv_ps(depth2, depth1, firstIsLeft);
    const __m128 rightDepth = _mm_blendv_ps(depth1, depth2, firstIsLeft);

    LaneSpans spans;
    spans.step = batch.pass.DepthSteps(_mm_sub_ps(rightDepth, leftDepth), _mm_sub_epi32(right, left));
    // The left clip: the columns skipped times the step, plus the left depth.
    // (A NaN result never stores, so the operands' order cannot show.)
    const __m128i boundLeft = _mm_set1_epi32(bounds.left);
    const __m128i clipFrom = Pass::ClipsAtLeftBound ? _mm_add_epi32(boundLeft, _mm_set1_epi32(1)) : boundLeft;
    const __m128 clipped = _mm_castsi128_ps(_mm_cmpgt_epi32(clipFrom, left));
    const __m128 skipped = _mm_cvtepi32_ps(_mm_sub_epi32(boundLeft, left));
    spans.depth = _mm_blendv_ps(leftDepth, _mm_add_ps(_mm_mul_ps(spans.step, skipped), leftDepth), clipped);
    left = _mm_max_epi32(left, boundLeft);
    right = _mm_min_epi32(right, _mm_set1_epi32(bounds.right));  // keeps the walk inside the row
    _mm_store_si128(reinterpret_cast<__m128i*>(spans.left), left);
    _mm_store_si128(reinterpret_cast<__m128i*>(spans.length), _mm_sub_epi32(right, left));

    // Whole fours past a span's end stay in the lane's own row of the bounds:
    // in a band worker, the other worker writes the rows of the other band.
    int32_t farthestLeft = spans.left[0];
    for (int lane = 1; lane < RowLanes; ++lane) farthestLeft = std::max(farthestLeft, spans.left[lane]);
    spans.wholeFoursFit = bounds.right - farthestLeft >= ((LongestOfFour(spans.length) + 3) & ~3);
    return spans;
}

// Sets up and walks the waiting spans. Unused lanes repeat the first span:
// walking a span twice leaves what walking it once does (the second walk
// finds the first one's depths, which are not nearer).
template <typename Pass>
void FlushLaneBatch(LaneBatch<Pass>& batch) {
    if (batch.count == 0) return;
    for (int lane = batch.count; lane < RowLanes; ++lane) {
        batch.row[lane] = batch.row[0];
        batch.x1[lane] = batch.x1[0];
        batch.x2[lane] = batch.x2[0];
        batch.depth1[lane] = batch.depth1[0];
        batch.depth2[lane] = batch.depth2[0];
        batch.face[lane] = batch.face[0];
    }
    batch.pass.Walk(batch, SetUpLanes(batch));
    batch.count = 0;
    batch.earlierFaces = 0;
}

// One span of `face` on a row of the bounds (the row walks hand on no
// other), its two ends (x, depth) in either order, joins the batch unless it
// would draw nothing in the bounds' columns.
template <typename Pass, typename End>
inline void AddSpan(LaneBatch<Pass>& batch, int32_t row, const End& end1, const End& end2, uint32_t face) {
    assert(RowInBand(row, batch.pass.Bounds()));
    const int32_t left = end1.x < end2.x ? end1.x : end2.x;
    const int32_t right = end1.x < end2.x ? end2.x : end1.x;
    if (!ColumnsInBand(left, right, batch.pass.Bounds())) return;
    if (EarlierSpanWaitsOnRow(batch, row)) FlushLaneBatch(batch);
    assert(batch.count < RowLanes);
    const int lane = batch.count++;
    batch.row[lane] = row;
    batch.x1[lane] = end1.x;
    batch.x2[lane] = end2.x;
    batch.depth1[lane] = end1.depth;
    batch.depth2[lane] = end2.depth;
    batch.face[lane] = face;
    if (batch.count == RowLanes) FlushLaneBatch(batch);
}
