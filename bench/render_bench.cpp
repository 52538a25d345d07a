// Micro-benchmarks of the renderer's hot routines on the embedded scene and on
// synthetic spans. Whole-frame figures come from `velmora-render --bench`.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "core/reciprocal.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/band_workers.h"
#include "render/buffer_clears.h"
#include "render/frame_pipeline.h"
#include "render/lights.h"
#include "render/prepass.h"
#include "render/span_shader.h"

namespace {

constexpr int SpanWidth = 256;

struct SpanSetup {
    std::vector<uint32_t> colour = std::vector<uint32_t>(SpanWidth, 0);
    std::vector<float> shade = std::vector<float>(SpanWidth, DepthClearValue);
    std::vector<float> prepass = std::vector<float>(SpanWidth, 10.0f);
    LaneLights lights;
    FaceContext context{};
    SpanEnd left{}, right{};

    explicit SpanSetup(uint32_t classIndex) {
        ResetLightTable();
        NormalizeLights(LightTable, LightCount);
        for (int i = 0; i < 128 * 128; ++i) {
            Texture[i] = 0x00FFFFFF ^ static_cast<uint32_t>(i * 2654435761u >> 8);
            HeightMap[i] = static_cast<uint8_t>(i * 37);
        }
        SplatLights(lights);
        context = FaceContext{{0, 1, 0, SpanWidth}, SpanWidth, prepass.data(), classIndex, HeightMap,
                              colour.data(), shade.data(), Texture, &lights};
        left.x = 0;
        left.normal = Vec4{{-0.3f, 0.2f, -0.9f, 0}};
        left.attrib = Vec4{{10.0f, 40.0f, 10.2f, 0}};
        right.x = SpanWidth;
        right.normal = Vec4{{0.4f, -0.1f, -0.8f, 0}};
        right.attrib = Vec4{{110.0f, 90.0f, 9.8f, 0}};
    }
};

// One 256-pixel span on the front surface, gathered and lit as a face of one
// row with the estimates, depth buffer cleared each time so every pixel is
// shaded. Arg 0: opaque (class colour 7), arg 1: translucent.
void BM_GatherAndLightSpan(benchmark::State& state) {
    SpanSetup setup(state.range(0) == 0 ? 7 : 0);
    FaceRows rows;
    for (auto _ : state) {
        std::fill(setup.shade.begin(), setup.shade.end(), DepthClearValue);
        GatherSpan<EstimatedReciprocals>(rows, 0, setup.left, setup.right, setup.context);
        LightFaceRows<EstimatedReciprocals>(rows, setup.context);
        benchmark::DoNotOptimize(setup.colour.data());
    }
    state.SetItemsProcessed(state.iterations() * SpanWidth);
}
BENCHMARK(BM_GatherAndLightSpan)->Arg(0)->Arg(1);

// The embedded scene at 1910x1070, frame 561 (largest zoom).
struct SceneFixture {
    SceneFixture() {
        OpenHeadlessScene(1920, 1080);
        SeekFrame(561);
        PrepareFrame();
    }
};

const SceneFixture& Scene561() {
    static SceneFixture fixture;
    return fixture;
}

// The pre-pass over every face of one frame.
void BM_PrepassAllFaces(benchmark::State& state) {
    Scene561();
    for (auto _ : state) {
        ClearPrepassDepth();
        DrawPrepass();
        benchmark::DoNotOptimize(Scene.prepassDepth);
    }
    state.SetItemsProcessed(state.iterations() * Scene.faceCount);
}
BENCHMARK(BM_PrepassAllFaces)->Unit(benchmark::kMillisecond);

// One band's faces through ShadeTriangle on this thread (both passes).
void BM_ShadeTriangleBand(benchmark::State& state) {
    Scene561();
    const int band = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ClearPrepassDepth();
        DrawPrepass();
        RenderBand(band);
        benchmark::DoNotOptimize(Scene.colorBuffer);
    }
}
BENCHMARK(BM_ShadeTriangleBand)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
