#include "app/frame_sequence.h"
#include "tools/velmora_render/bench.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

#include "app/headless_scene.h"
#include "core/scene_state.h"
#include "render/band_plan.h"
#include "render/frame_pipeline.h"

namespace {

using Clock = std::chrono::steady_clock;

// Frames drawn before timing starts, so caches, page mappings and the
// processors' clocks have settled.
constexpr uint32_t WarmUpFrames = 30;

enum Stage { Clear, Transform, Prepass, TopBand, BottomBand, IdleWait, ForkJoin, Shading, WholeFrame, StageCount };
const char* const StageNames[StageCount] = {"clear",     "transform+map", "pre-pass", "top band", "bottom band",
                                            "idle wait", "fork+join",     "shading",  "frame"};

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The clock at each point of the frame being timed, read where RenderFrame
// reports the point (the band points on the band's own worker) and used
// after the frame, which the join orders after them.
Clock::time_point At[FramePointCount], BandStart[BandCount], BandEnd[BandCount];

void NoteTime(FramePoint point, int band) {
    const Clock::time_point now = Clock::now();
    if (point == FramePoint::BandStarted)
        BandStart[band] = now;
    else if (point == FramePoint::BandEnded)
        BandEnd[band] = now;
    else
        At[static_cast<int>(point)] = now;
}

Clock::duration Between(FramePoint from, FramePoint to) {
    return At[static_cast<int>(to)] - At[static_cast<int>(from)];
}

// One frame drawn by RenderFrame, timed stage by stage. The idle wait is the
// slower band's time less the faster one's: how long the faster worker's
// processor idles while the join waits. Fork+join is the rest of the shading
// stage beyond the slower band: creating the threads, their late starts and
// the join.
void TimeOneFrame(double* times) {
    RenderFrame(NoteTime);
    times[Clear] = Milliseconds(Between(FramePoint::Started, FramePoint::PrepassCleared));
    times[Transform] = Milliseconds(Between(FramePoint::PrepassCleared, FramePoint::ModelTransformed));
    times[Prepass] = Milliseconds(Between(FramePoint::ModelTransformed, FramePoint::PrepassDrawn));
    times[TopBand] = Milliseconds(BandEnd[0] - BandStart[0]);
    times[BottomBand] = Milliseconds(BandEnd[1] - BandStart[1]);
    const double slower = std::max(times[TopBand], times[BottomBand]);
    times[IdleWait] = slower - std::min(times[TopBand], times[BottomBand]);
    times[Shading] = Milliseconds(Between(FramePoint::PrepassDrawn, FramePoint::BandsJoined));
    times[ForkJoin] = times[Shading] - slower;
    times[WholeFrame] = Milliseconds(Between(FramePoint::Started, FramePoint::BandsJoined));
}

void WriteCsvLine(FILE* csv, uint32_t frame, const double* t) {
    std::fprintf(csv, "%u,%.4f,%.4f,%.4f,%.4f,%.4f\n", frame, t[Clear], t[Prepass], t[TopBand], t[BottomBand],
                 t[WholeFrame]);
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    const size_t index = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

void RunBench(uint32_t firstFrame, uint32_t lastFrame, uint32_t repeat, FILE* out, FILE* csv) {
    const size_t frames = static_cast<size_t>(lastFrame - firstFrame) + 1;
    std::vector<double> samples[StageCount];
    for (auto& s : samples) s.reserve(frames);
    double times[StageCount], best[StageCount];

    SeekFrame(firstFrame);
    for (uint32_t i = 0; i < WarmUpFrames; ++i) RenderFrame();
    if (csv) std::fprintf(csv, "frame,clear_ms,prepass_ms,top_band_ms,bottom_band_ms,frame_ms\n");

    for (size_t i = 0; i < frames; ++i) {
        const uint32_t frame = firstFrame + static_cast<uint32_t>(i);
        for (uint32_t r = 0; r < repeat; ++r) {
            SeekFrame(frame);  // each drawing starts from the frame's own state
            TimeOneFrame(times);
            if (r == 0 || times[WholeFrame] < best[WholeFrame]) std::copy(times, times + StageCount, best);
        }
        for (int s = 0; s < StageCount; ++s) samples[s].push_back(best[s]);
        if (csv) WriteCsvLine(csv, frame, best);
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
    const double mainThread = means[Clear] + means[Transform] + means[Prepass];
    const double slowerBand = means[Shading] - means[ForkJoin];
    std::fprintf(out,
                 "critical path (means): main thread %.3f ms (the second processor waits) + slower band %.3f ms + "
                 "fork+join %.3f ms; the faster band's processor idles %.3f ms (%.0f%% of the shading)\n",
                 mainThread, slowerBand, means[ForkJoin], means[IdleWait],
                 means[Shading] > 0 ? 100.0 * means[IdleWait] / means[Shading] : 0.0);
}
