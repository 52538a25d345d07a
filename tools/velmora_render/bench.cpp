#include "app/frame_sequence.h"
#include "tools/velmora_render/bench.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

#include "app/headless_scene.h"
#include "core/scene_state.h"
#include "render/band_workers.h"
#include "render/clear_and_transform.h"
#include "render/frame_pipeline.h"
#include "render/prepass.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames drawn before timing starts, so caches, page mappings and the
// processors' clocks have settled.
constexpr uint32_t WarmUpFrames = 30;

enum Stage { Clear, Transform, Prepass, Shading, WholeFrame, StageCount };
const char* const StageNames[StageCount] = {"clear", "transform+map", "pre-pass", "shading", "frame"};

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One frame drawn stage by stage, exactly as RenderFrame draws it.
void TimeOneFrame(double* times) {
    const Clock::time_point t0 = Clock::now();
    ClearBuffers();
    const Clock::time_point t1 = Clock::now();
    TransformModel();
    const Clock::time_point t2 = Clock::now();
    DrawPrepass();
    const Clock::time_point t3 = Clock::now();
    RunBandWorkers();
    const Clock::time_point t4 = Clock::now();
    times[Clear] = Milliseconds(t1 - t0);
    times[Transform] = Milliseconds(t2 - t1);
    times[Prepass] = Milliseconds(t3 - t2);
    times[Shading] = Milliseconds(t4 - t3);
    times[WholeFrame] = Milliseconds(t4 - t0);
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

void RunBench(uint32_t firstFrame, uint32_t lastFrame, uint32_t repeat, FILE* out) {
    const size_t frames = static_cast<size_t>(lastFrame - firstFrame) + 1;
    std::vector<double> samples[StageCount];
    for (auto& s : samples) s.reserve(frames);
    double times[StageCount], best[StageCount];

    SeekFrame(firstFrame);
    for (uint32_t i = 0; i < WarmUpFrames; ++i) RenderFrame();

    for (size_t i = 0; i < frames; ++i) {
        const uint32_t frame = firstFrame + static_cast<uint32_t>(i);
        for (uint32_t r = 0; r < repeat; ++r) {
            SeekFrame(frame);  // each drawing starts from the frame's own state
            TimeOneFrame(times);
            if (r == 0 || times[WholeFrame] < best[WholeFrame]) std::copy(times, times + StageCount, best);
        }
        for (int s = 0; s < StageCount; ++s) samples[s].push_back(best[s]);
    }

    std::fprintf(out, "velmora-render bench: %ux%u, frames %u-%u (%zu frames, %u warm-up, best of %u)\n",
                 Scene.width, Scene.height, firstFrame, lastFrame, frames, WarmUpFrames, repeat);
    std::fprintf(out, "%-14s %9s %9s %9s %9s %9s %9s\n", "stage (ms)", "min", "median", "p90", "p99", "max", "mean");
    double means[StageCount];
    for (int s = 0; s < StageCount; ++s) {
        std::vector<double>& v = samples[s];
        means[s] = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
        std::sort(v.begin(), v.end());
        std::fprintf(out, "%-14s %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f\n", StageNames[s], v.front(),
                     Percentile(v, 0.5), Percentile(v, 0.9), Percentile(v, 0.99), v.back(), means[s]);
    }
    std::fprintf(out, "fps: %.1f (median frame), %.1f (mean over the run)\n",
                 1000.0 / Percentile(samples[WholeFrame], 0.5), 1000.0 / means[WholeFrame]);
}
