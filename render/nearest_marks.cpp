#include "render/nearest_marks.h"

#include <smmintrin.h>

#include <algorithm>

#include "core/reciprocal.h"
#include "core/simd.h"
#include "render/row_walk.h"

namespace {

// What marking's edges carry besides the column: the depth alone, stepped as
// the depth lane of the shading pass's attributes (ShadeEdges) is: the depth
// difference times the one reciprocal of the row count, added once per row.
template <typename Reciprocals>
struct DepthEdges {
    struct End {
        int32_t x;
        float depth;
    };
    using Vertex = ShadeVertex;
    using Values = float;

    static float At(const ShadeVertex& v) { return v.depth; }
    static float StepsPerRow(const ShadeVertex& from, const ShadeVertex& to, int32_t rows) {
        return (to.depth - from.depth) * Reciprocals::Rcp(static_cast<float>(rows));
    }
    static float NoSteps() { return 0.0f; }
    static void Add(float& depth, float step) { depth += step; }
    static End EndAt(int32_t column, float depth) { return End{column, depth}; }
};

// What marking does with a lane's depths, as one span at a time does it: where
// the depth is strictly nearer than ShadeDepth (an equal depth leaves the
// earlier face, NaN never wins), ShadeDepth takes the depth and ColorBuffer
// the lane's tag.
struct MarkNearer {
    float* shade[RowLanes];  // each lane's first pixel
    uint32_t* colour[RowLanes];
    __m128i tag[RowLanes];
    __m128 nearer[RowLanes];  // set where some pixel of the lane took its tag

    // minps gives its first operand only where it is strictly smaller.
    void Four(int lane, int32_t column, __m128 depths) {
        float* shadePixel = shade[lane] + column;
        __m128i* words = reinterpret_cast<__m128i*>(colour[lane] + column);
        const __m128 stored = _mm_loadu_ps(shadePixel);
        const __m128 wins = _mm_cmplt_ps(depths, stored);
        _mm_storeu_ps(shadePixel, LaneMin(depths, stored));
        _mm_storeu_si128(words, _mm_blendv_epi8(_mm_loadu_si128(words), tag[lane], _mm_castps_si128(wins)));
        nearer[lane] = _mm_or_ps(nearer[lane], wins);
    }
    void Where(int lane, int32_t column, __m128 depths, __m128 take) {
        float* shadePixel = shade[lane] + column;
        __m128i* words = reinterpret_cast<__m128i*>(colour[lane] + column);
        const __m128 stored = _mm_loadu_ps(shadePixel);
        const __m128 wins = _mm_and_ps(_mm_cmplt_ps(depths, stored), take);
        _mm_storeu_ps(shadePixel, _mm_blendv_ps(stored, depths, wins));
        _mm_storeu_si128(words, _mm_blendv_epi8(_mm_loadu_si128(words), tag[lane], _mm_castps_si128(wins)));
        nearer[lane] = _mm_or_ps(nearer[lane], wins);
    }
    void First(int lane, int32_t column, __m128 depths, int32_t count) {
        float* shadePixel = shade[lane] + column;
        uint32_t* words = colour[lane] + column;
        for (int32_t k = 0; k < count; ++k, depths = NextLane(depths)) {
            const float depth = _mm_cvtss_f32(depths);
            if (depth < shadePixel[k]) {
                shadePixel[k] = depth;
                words[k] = static_cast<uint32_t>(_mm_cvtsi128_si32(tag[lane]));
                nearer[lane] = _mm_castsi128_ps(_mm_set1_epi32(-1));
            }
        }
    }
};

// The face's marked rows grow to take in `row`.
void TakeInRow(RowRange& marked, int32_t row) {
    if (marked.Empty()) {
        marked = RowRange{row, row + 1};
    } else {
        marked.first = std::min(marked.first, row);
        marked.end = std::max(marked.end, row + 1);
    }
}

}  // namespace

// One reciprocal per span, each lane's taken alone as one span takes it.
__m128 MarkLanes::DepthSteps(__m128 depthDelta, __m128i columns) const {
    alignas(16) float count[RowLanes], reciprocal[RowLanes];
    _mm_store_ps(count, _mm_cvtepi32_ps(columns));
    WithReciprocals([&](auto reciprocals) {
        for (int lane = 0; lane < RowLanes; ++lane) reciprocal[lane] = decltype(reciprocals)::Rcp(count[lane]);
    });
    return _mm_mul_ps(depthDelta, _mm_load_ps(reciprocal));
}

[[gnu::always_inline]] inline void MarkLanes::Walk(const MarkRows& batch, const LaneSpans& spans) const {
    MarkNearer store;
    for (int lane = 0; lane < RowLanes; ++lane) {
        const size_t first = static_cast<size_t>(batch.row[lane]) * context->width + spans.left[lane];
        store.shade[lane] = context->shadeDepth + first;
        store.colour[lane] = context->colorBuffer + first;
        store.tag[lane] = _mm_set1_epi32(static_cast<int>(NearestTag(batch.face[lane])));
        store.nearer[lane] = _mm_setzero_ps();
    }
    WalkRowLanes(spans.depth, spans.step, spans.length, spans.wholeFoursFit, store);
    for (int lane = 0; lane < batch.count; ++lane)
        if (_mm_movemask_ps(store.nearer[lane]) != 0) TakeInRow(marked[batch.face[lane]], batch.row[lane]);
}

MarkRows StartMarkRows(const FaceContext& context, RowRange* marked) {
    return StartLaneBatch(MarkLanes{&context, marked});
}

void MarkNearestTriangle(MarkRows& rows, const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         uint32_t face) {
    rows.pass.marked[face] = RowRange{0, 0};
    const BandRect& band = rows.pass.context->band;
    if (!FaceTouchesBand(v0, v1, v2, band)) return;
    StartFace(rows);
    WithReciprocals([&](auto reciprocals) {
        using Edges = DepthEdges<decltype(reciprocals)>;
        WalkTriangle<Edges>(v0, v1, v2, band.top, band.bottom,
                            [&](int32_t row, const typename Edges::End& longEnd, const typename Edges::End& shortEnd) {
                                AddSpan(rows, row, longEnd, shortEnd, face);
                            });
    });
}

void FlushMarkRows(MarkRows& rows) { FlushLaneBatch(rows); }

void MarkNearestFaces(const FaceContext& context, RowRange* marked) {
    MarkRows rows = StartMarkRows(context, marked);
    for (uint32_t i = 0; i < DrawnFaceCount(); ++i) {
        marked[i] = RowRange{0, 0};
        if (DrawnInPass(i, OtherClassPass()))
            MarkNearestTriangle(rows, ShadeVertexOf(i, 0), ShadeVertexOf(i, 1), ShadeVertexOf(i, 2), i);
    }
    FlushMarkRows(rows);
}
