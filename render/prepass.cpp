#include "render/prepass.h"

#include <smmintrin.h>

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "core/simd.h"
#include "render/row_walk.h"
#include "render/screen_point.h"

namespace {

// What the pre-pass does with a lane's depths: keeps the smaller of each
// depth and the stored one. minps gives its first operand only where it is
// strictly smaller: an equal depth keeps the stored bits (-0 does not replace
// +0) and NaN never stores, as one span at a time does.
struct KeepNearer {
    float* first[RowLanes];  // each lane's first pixel

    void Four(int lane, int32_t column, __m128 depths) const {
        float* pixel = first[lane] + column;
        _mm_storeu_ps(pixel, LaneMin(depths, _mm_loadu_ps(pixel)));
    }
    void Where(int lane, int32_t column, __m128 depths, __m128 take) const {
        float* pixel = first[lane] + column;
        const __m128 stored = _mm_loadu_ps(pixel);
        _mm_storeu_ps(pixel, _mm_blendv_ps(stored, LaneMin(depths, stored), take));
    }
    void First(int lane, int32_t column, __m128 depths, int32_t count) const {
        float* pixel = first[lane] + column;
        for (int32_t k = 0; k < count; ++k, depths = NextLane(depths))
            pixel[k] = ScalarMin(_mm_cvtss_f32(depths), pixel[k]);
    }
};

}  // namespace

// One exact division per span: the lanes' quotients are divss's.
__m128 PrepassLanes::DepthSteps(__m128 depthDelta, __m128i columns) const {
    return _mm_div_ps(depthDelta, _mm_cvtepi32_ps(columns));
}

[[gnu::always_inline]] inline void PrepassLanes::Walk(const PrepassRows& batch, const LaneSpans& spans) const {
    KeepNearer store;
    for (int lane = 0; lane < RowLanes; ++lane)
        store.first[lane] = depthBuffer + static_cast<size_t>(batch.row[lane]) * width + spans.left[lane];
    WalkRowLanes(spans.depth, spans.step, spans.length, spans.wholeFoursFit, store);
}

PrepassRows StartPrepassRows(float* depthBuffer, int32_t width, int32_t height) {
    return StartLaneBatch(PrepassLanes{depthBuffer, width, height});
}

void PrepassSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2) {
    if (!RowInBand(row, rows.pass.Bounds())) return;
    StartFace(rows);  // a span of its own face
    AddSpan(rows, row, end1, end2, 0);
}

void FlushPrepassRows(PrepassRows& rows) { FlushLaneBatch(rows); }

void PrepassTriangle(PrepassRows& rows, PrepassVertex a, PrepassVertex b, PrepassVertex c) {
    // Faces wholly left of column 0 are not walked; rows off the buffer are
    // not handed on, and the rest is rejected span by span.
    if (a.x < 0 && b.x < 0 && c.x < 0) return;
    StartFace(rows);
    WalkTriangle<PrepassEdges>(a, b, c, 0, rows.pass.height,
                               [&rows](int32_t row, const PrepassEnd& longEnd, const PrepassEnd& shortEnd) {
                                   AddSpan(rows, row, longEnd, shortEnd, 0);
                               });
}

bool PrepassCornersOf(uint32_t face, PrepassVertex (&corners)[3]) {
    const Face& f = ModelFaces[face];
    const uint16_t indices[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; ++k) {
        const Vec3& v = ScreenVertices[indices[k]];
        const ScreenPoint point = ToScreenPoint(v);
        corners[k] = PrepassVertex{point.x, point.y, v.z};
    }
    return HasScreenPositions(f);
}

void DrawPrepass() {
    PrepassRows rows = StartPrepassRows(Scene.prepassDepth, Scene.width, Scene.height);
    for (uint32_t i = 0; i < Scene.faceCount; ++i) {
        PrepassVertex corners[3];
        if (PrepassCornersOf(i, corners)) PrepassTriangle(rows, corners[0], corners[1], corners[2]);
    }
    FlushPrepassRows(rows);
}
