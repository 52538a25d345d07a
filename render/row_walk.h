// The one row walk of both passes, the depth pre-pass and the shading: a
// face's vertices sorted by row, two 22.10 fixed-point edges, and each row's
// two span ends handed to a span routine (the long edge's end first), which
// sets its span up with span_setup.h. Both passes walk the same rows and
// columns because they walk with this code; they differ only in what their
// edges carry besides the column, which the EdgeValues parameter describes:
//
//   struct EdgeValues {
//       using Vertex = ...;  // has int16_t x, y
//       using Values = ...;  // what an edge carries along (depth; normal, u, v, depth)
//       using End = ...;     // what a span routine is handed for one end
//       static Values At(const Vertex& v);
//       static Values StepsPerRow(const Vertex& from, const Vertex& to, int32_t rows);  // rows > 0
//       static Values NoSteps();
//       static void Add(Values& values, const Values& steps);
//       static End EndAt(int32_t column, const Values& values);
//   };
#pragma once
#include <cstdint>
#include <utility>

#include "render/edge_fixed_point.h"

// Sorts three vertices by row, smallest first. Equal rows never swap, so
// vertices on one row keep the face's order.
template <typename Vertex>
inline void SortByRow(Vertex& a, Vertex& b, Vertex& c) {
    for (;;) {
        if (a.y > b.y) std::swap(a, b);
        if (b.y > c.y) {
            std::swap(b, c);
            continue;
        }
        return;
    }
}

// Where an edge is on the current row.
template <typename EdgeValues>
struct EdgePosition {
    int32_t x;  // 22.10 fixed point
    typename EdgeValues::Values values;
};

// How far an edge moves from one row to the next.
template <typename EdgeValues>
struct EdgeSteps {
    int32_t x;  // 22.10 fixed point
    typename EdgeValues::Values values;
};

template <typename EdgeValues>
inline EdgePosition<EdgeValues> EdgeStart(const typename EdgeValues::Vertex& v) {
    return {ToEdgeColumn(v.x), EdgeValues::At(v)};
}

// A horizontal edge is never walked; its steps are zero.
template <typename EdgeValues>
inline EdgeSteps<EdgeValues> EdgeStepsOf(const typename EdgeValues::Vertex& from,
                                         const typename EdgeValues::Vertex& to) {
    const int32_t rows = to.y - from.y;
    if (rows == 0) return {0, EdgeValues::NoSteps()};
    return {EdgeColumnStep(from.x, to.x, rows), EdgeValues::StepsPerRow(from, to, rows)};
}

template <typename EdgeValues>
inline void Advance(EdgePosition<EdgeValues>& edge, const EdgeSteps<EdgeValues>& steps) {
    edge.x += steps.x;
    EdgeValues::Add(edge.values, steps.values);
}

template <typename EdgeValues>
inline typename EdgeValues::End EndOf(const EdgePosition<EdgeValues>& edge) {
    return EdgeValues::EndAt(EdgePixelColumn(edge.x), edge.values);
}

// Calls span(row, longEnd, shortEnd) for the rows yA .. yC-1 of the face that
// lie in [rowBegin, rowEnd), in increasing order. Values advance by repeated
// addition, once per row from the top vertex on, whether or not the row is
// handed on, so a row's ends do not depend on the range; the short edge
// restarts exactly at B for the lower half. Rows at or past rowEnd are not
// walked at all.
template <typename EdgeValues, typename SpanRoutine>
inline void WalkTriangle(typename EdgeValues::Vertex a, typename EdgeValues::Vertex b,
                         typename EdgeValues::Vertex c, int32_t rowBegin, int32_t rowEnd, SpanRoutine&& span) {
    SortByRow(a, b, c);
    if (c.y <= rowBegin || a.y >= rowEnd) return;  // no row of the face is in the range
    const EdgeSteps<EdgeValues> stepsAB = EdgeStepsOf<EdgeValues>(a, b);
    const EdgeSteps<EdgeValues> stepsAC = EdgeStepsOf<EdgeValues>(a, c);
    const EdgeSteps<EdgeValues> stepsBC = EdgeStepsOf<EdgeValues>(b, c);

    EdgePosition<EdgeValues> longEdge = EdgeStart<EdgeValues>(a);
    EdgePosition<EdgeValues> shortEdge = longEdge;
    const int32_t upperEnd = b.y < rowEnd ? b.y : rowEnd;
    for (int32_t row = a.y; row < upperEnd; ++row) {
        if (row >= rowBegin) span(row, EndOf(longEdge), EndOf(shortEdge));
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsAB);
    }
    shortEdge = EdgeStart<EdgeValues>(b);
    const int32_t lowerEnd = c.y < rowEnd ? c.y : rowEnd;
    for (int32_t row = b.y; row < lowerEnd; ++row) {
        if (row >= rowBegin) span(row, EndOf(longEdge), EndOf(shortEdge));
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsBC);
    }
}

// Every row of the face.
template <typename EdgeValues, typename SpanRoutine>
inline void WalkTriangle(const typename EdgeValues::Vertex& a, const typename EdgeValues::Vertex& b,
                         const typename EdgeValues::Vertex& c, SpanRoutine&& span) {
    WalkTriangle<EdgeValues>(a, b, c, INT32_MIN, INT32_MAX, span);
}
