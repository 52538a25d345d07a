#include "render/model_transform.h"

#include <cmath>

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "core/simd.h"

void ComputeRotation() {
    // The angle is recomputed from the counter every frame, never accumulated:
    // a 9-bit counter times a 24-bit mantissa is exact in double.
    const double angle = static_cast<double>(static_cast<int32_t>(Scene.frameCounter)) *
                         static_cast<double>(Scene.angleStep);
    const float c = static_cast<float>(std::cos(angle));
    const float s = static_cast<float>(std::sin(angle));
    Scene.rotation[0] = c;
    Scene.rotation[1] = s;
    Scene.rotation[2] = -c;
    Scene.rotation[3] = -s;
}

void RotateVectors(const Vec3* source, Vec3* destination, uint32_t count) {
    const __m128 rotation = _mm_load_ps(Scene.rotation);  // c, s, -c, -s
    // x' = x*s + z*c and z' = x*c + z*(-s): the x factors (s, -, c, -) and the
    // z factors (c, -, -s, -) in the lanes of x', y', z'.
    const __m128 xFactors = _mm_shuffle_ps(rotation, rotation, _MM_SHUFFLE(0, 0, 0, 1));
    const __m128 zFactors = _mm_shuffle_ps(rotation, rotation, _MM_SHUFFLE(3, 3, 3, 0));
    for (uint32_t i = 0; i < count; ++i) {
        const __m128 v = LoadVec3(source + i);
        const __m128 rotated = _mm_add_ps(_mm_mul_ps(Broadcast<0>(v), xFactors),
                                          _mm_mul_ps(Broadcast<2>(v), zFactors));
        // y is copied unchanged, not recomputed.
        StoreVec3(destination + i, _mm_blend_ps(rotated, v, 0b0010));
    }
}

void StepZoom() {
    if (Scene.zoomStepCounter == ZoomTurnCounter) Scene.zoomDirection = 1;
    if (Scene.zoomStepCounter == 0) Scene.zoomDirection = 0;
    if (Scene.zoomDirection == 0) {
        Scene.zoomScale = Scene.zoomScale * Scene.zoomGrowFactor;
        ++Scene.zoomStepCounter;
    } else {
        Scene.zoomScale = Scene.zoomScale * Scene.zoomShrinkFactor;
        --Scene.zoomStepCounter;
    }
}

void MapToScreen() {
    // column = x*k + half width, row = y*k + half height, depth = z*k + 0.
    const __m128 scale = _mm_set1_ps(Scene.zoomScale);
    const __m128 centre = _mm_setr_ps(static_cast<float>(Scene.halfWidth),
                                      static_cast<float>(Scene.halfHeight), 0.0f, 0.0f);
    for (uint32_t i = 0; i < Scene.vertexCount; ++i) {
        const __m128 v = LoadVec3(ScreenVertices + i);
        StoreVec3(ScreenVertices + i, _mm_add_ps(_mm_mul_ps(v, scale), centre));
    }
}

void TransformModel() {
    ComputeRotation();
    RotateVectors(ModelVertices, ScreenVertices, Scene.vertexCount);
    RotateVectors(VertexNormals, RotatedNormals, Scene.vertexCount);
    StepZoom();  // always before the mapping of the same frame
    MapToScreen();
}
