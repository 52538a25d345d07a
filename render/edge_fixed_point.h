// The 22.10 fixed-point edge columns shared by the depth pre-pass and the
// shading pass, so both passes cover exactly the same pixels.
#pragma once
#include <cstdint>

// Edge columns carry 10 fraction bits.
constexpr int EdgeFractionBits = 10;
constexpr int32_t EdgeOne = 1 << EdgeFractionBits;

// Vertex coordinates are 16-bit: the largest column difference times 1024 and
// every column in 22.10 form (edges stay between their end columns) fit in 32 bits.
static_assert(int64_t{65535} * EdgeOne <= INT32_MAX, "22.10 edge step overflows");
static_assert(int64_t{32768} * EdgeOne <= INT32_MAX, "22.10 edge column overflows");

// Column step per row: (column difference * 1024) / row difference, truncated
// towards zero; 0 for a horizontal edge, which is never walked.
inline int32_t EdgeColumnStep(int32_t x0, int32_t x1, int32_t dy) {
    return dy == 0 ? 0 : ((x1 - x0) * EdgeOne) / dy;
}

inline int32_t ToEdgeColumn(int32_t x) { return x * EdgeOne; }

// The pixel column of a fixed-point edge: arithmetic shift, so it floors
// (-341, a third of a pixel left of column 0, is column -1).
inline int32_t EdgePixelColumn(int32_t fixedX) { return fixedX >> EdgeFractionBits; }
