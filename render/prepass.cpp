#include "render/prepass.h"

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "core/simd.h"
#include "render/edge_fixed_point.h"
#include "render/frame_pipeline.h"

namespace {

struct PrepassEdge {
    int32_t x;  // 22.10 fixed point
    float depth;
    int32_t xStep;
    float depthStep;
};

// An edge's steps per row; depth divides exactly (the shading pass estimates).
PrepassEdge SetUpEdge(const PrepassVertex& from, const PrepassVertex& to) {
    const int32_t dy = to.y - from.y;
    PrepassEdge edge{ToEdgeColumn(from.x), from.depth, 0, 0.0f};
    if (dy != 0) {
        edge.xStep = EdgeColumnStep(from.x, to.x, dy);
        edge.depthStep = (to.depth - from.depth) / static_cast<float>(dy);
    }
    return edge;
}

inline PrepassEnd EndOf(const PrepassEdge& edge) {
    return PrepassEnd{EdgePixelColumn(edge.x), edge.depth};
}

inline void Advance(PrepassEdge& edge, const PrepassEdge& steps) {
    edge.x += steps.xStep;
    edge.depth += steps.depthStep;
}

}  // namespace

void PrepassTriangle(PrepassVertex a, PrepassVertex b, PrepassVertex c, float* depthBuffer) {
    SortByRow(a, b, c);
    // Faces wholly above the top row or left of column 0 are not walked; the
    // others are rejected span by span.
    if (a.y < 0 && b.y < 0 && c.y < 0) return;
    if (a.x < 0 && b.x < 0 && c.x < 0) return;

    const PrepassEdge stepsAB = SetUpEdge(a, b);
    const PrepassEdge stepsAC = SetUpEdge(a, c);
    const PrepassEdge stepsBC = SetUpEdge(b, c);

    PrepassEdge longEdge = stepsAC;  // starts at A
    PrepassEdge shortEdge = stepsAB;
    for (int32_t row = a.y; row < b.y; ++row) {
        PrepassSpan(static_cast<int16_t>(row), EndOf(longEdge), EndOf(shortEdge), depthBuffer);
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsAB);
    }
    shortEdge = stepsBC;  // restarts exactly at B
    for (int32_t row = b.y; row < c.y; ++row) {
        PrepassSpan(static_cast<int16_t>(row), EndOf(longEdge), EndOf(shortEdge), depthBuffer);
        Advance(longEdge, stepsAC);
        Advance(shortEdge, stepsBC);
    }
}

void PrepassSpan(int16_t row, PrepassEnd end1, PrepassEnd end2, float* depthBuffer) {
    const int32_t width = Scene.width;
    if (row < 0 || row >= Scene.height) return;
    if (end1.x == end2.x) return;
    const PrepassEnd& leftEnd = end1.x < end2.x ? end1 : end2;
    const PrepassEnd& rightEnd = end1.x < end2.x ? end2 : end1;
    int32_t left = leftEnd.x;
    int32_t right = rightEnd.x;
    if (left >= width || right <= 0) return;

    const float depthStep = (rightEnd.depth - leftEnd.depth) / static_cast<float>(right - left);
    float depth = leftEnd.depth;
    if (left <= 0) {
        depth = depth + static_cast<float>(-left) * depthStep;
        left = 0;
    }
    if (right > width) right = width;  // keeps the walk inside the row

    float* pixel = depthBuffer + static_cast<int32_t>(row) * width;
    for (int32_t column = left; column < right; ++column) {
        // minss keeps the stored value unless depth is strictly smaller (NaN never stores).
        _mm_store_ss(pixel + column, _mm_min_ss(_mm_set_ss(depth), _mm_load_ss(pixel + column)));
        depth += depthStep;
    }
}

void DrawPrepass() {
    for (uint32_t i = 0; i < Scene.faceCount; ++i) {
        const Face& face = ModelFaces[i];
        PrepassVertex corners[3];
        const uint16_t indices[3] = {face.a, face.b, face.c};
        for (int k = 0; k < 3; ++k) {
            const Vec3& v = ScreenVertices[indices[k]];
            const ScreenPoint point = ToScreenPoint(v);
            corners[k] = PrepassVertex{point.x, point.y, v.z};
        }
        PrepassTriangle(corners[0], corners[1], corners[2], Scene.prepassDepth);
    }
}
