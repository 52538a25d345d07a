// Spans on four different rows walked together, one row per lane. Along a
// span the depth is a chain of dependent additions, one per column; four rows
// are four independent chains, so one four-lane addition advances all of them.
// Each lane starts from the depth and step its row would get alone and adds
// its step once per column, exactly as one row at a time would, so every
// pixel sees the same bits.
#pragma once
#include <smmintrin.h>

#include <algorithm>
#include <cassert>
#include <cstdint>

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
