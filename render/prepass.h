// The depth pre-pass: every face drawn depth-only into PrepassDepth, keeping
// the nearest depth at each pixel.
#pragma once
#include <cstdint>

struct PrepassVertex {
    int16_t x, y;  // screen point
    float depth;
};

struct PrepassEnd {
    int32_t x;
    float depth;
};

// What the pre-pass's edges carry besides the column (see WalkTriangle): the
// depth, stepped per row by an exact division (the shading pass uses the
// estimate).
struct PrepassEdges {
    using Vertex = PrepassVertex;
    using Values = float;
    using End = PrepassEnd;

    static float At(const PrepassVertex& v) { return v.depth; }
    static float StepsPerRow(const PrepassVertex& from, const PrepassVertex& to, int32_t rows) {
        return (to.depth - from.depth) / static_cast<float>(rows);
    }
    static float NoSteps() { return 0.0f; }
    static void Add(float& depth, float step) { depth += step; }
    static PrepassEnd EndAt(int32_t column, float depth) { return PrepassEnd{column, depth}; }
};

// Every face, in face order, drawn depth-only into Scene.prepassDepth.
void DrawPrepass();

// Walks rows yA .. yC-1 of the face with the same fixed-point edges as the
// shading pass, and exact depth divisions.
void PrepassTriangle(PrepassVertex v0, PrepassVertex v1, PrepassVertex v2, float* depthBuffer);

// Keeps the smaller depth at each column of the half-open span on one row.
void PrepassSpan(int16_t row, PrepassEnd end1, PrepassEnd end2, float* depthBuffer);
