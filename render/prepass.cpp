#include "render/prepass.h"

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "core/simd.h"
#include "render/row_walk.h"
#include "render/screen_point.h"
#include "render/span_setup.h"

namespace {

// What the pre-pass's edges carry besides the column: the depth, stepped per
// row by an exact division (the shading pass uses the estimate).
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

// What a pre-pass span carries: the depth, stepped per column by an exact
// division, the left clip taken even for a span starting at column 0.
struct PrepassSpanValues {
    using End = PrepassEnd;
    using Values = float;
    static constexpr bool SkipsAtBandEdge = true;

    static float At(const PrepassEnd& end) { return end.depth; }
    static float StepsPerColumn(const PrepassEnd& left, const PrepassEnd& right, int32_t columns) {
        return (right.depth - left.depth) / static_cast<float>(columns);
    }
    static void Skip(float& depth, float step, int32_t columns) { depth = depth + static_cast<float>(columns) * step; }
};

}  // namespace

void PrepassTriangle(PrepassVertex a, PrepassVertex b, PrepassVertex c, float* depthBuffer) {
    // Faces wholly left of column 0 are not walked; rows outside the screen
    // are not handed on, and the rest is rejected span by span.
    if (a.x < 0 && b.x < 0 && c.x < 0) return;
    WalkTriangle<PrepassEdges>(a, b, c, 0, Scene.height,
                               [depthBuffer](int32_t row, const PrepassEnd& longEnd, const PrepassEnd& shortEnd) {
                                   PrepassSpan(static_cast<int16_t>(row), longEnd, shortEnd, depthBuffer);
                               });
}

void PrepassSpan(int16_t row, PrepassEnd end1, PrepassEnd end2, float* depthBuffer) {
    const int32_t width = Scene.width;
    ClippedSpan<PrepassSpanValues> span;
    if (!SetUpSpan(row, end1, end2, BandRect{0, Scene.height, 0, width}, span)) return;
    const int32_t left = span.left, right = span.right;
    const float depthStep = span.steps;
    float depth = span.values;

    float* pixel = depthBuffer + static_cast<int32_t>(row) * width;
    for (int32_t column = left; column < right; ++column) {
        // minss keeps the stored value unless depth is strictly smaller (NaN never stores).
        pixel[column] = ScalarMin(depth, pixel[column]);
        depth += depthStep;
    }
}

void DrawPrepass() {
    for (uint32_t i = 0; i < Scene.faceCount; ++i) {
        const Face& face = ModelFaces[i];
        PrepassVertex corners[3];
        const uint16_t indices[3] = {face.a, face.b, face.c};
        bool placed = true;
        for (int k = 0; k < 3; ++k) {
            const Vec3& v = ScreenVertices[indices[k]];
            const ScreenPoint point = ToScreenPoint(v);
            corners[k] = PrepassVertex{point.x, point.y, v.z};
            placed = placed && HasScreenPosition(v);
        }
        if (placed) PrepassTriangle(corners[0], corners[1], corners[2], Scene.prepassDepth);
    }
}
