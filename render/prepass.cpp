#include "render/prepass.h"

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "core/simd.h"
#include "render/frame_pipeline.h"
#include "render/prepass_rows.h"
#include "render/triangle_walk.h"

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
    PrepassRows rows = StartPrepassRows(Scene.prepassDepth, Scene.width, Scene.height);
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
        if (placed) AddPrepassTriangle(rows, corners[0], corners[1], corners[2]);
    }
    FlushPrepassRows(rows);
}
