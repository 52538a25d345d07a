#include "tools/velmora_render/soak.h"

#include <chrono>

#include "app/scene_state.h"
#include "platform/headless/headless_scene.h"
#include "render/frame_pipeline.h"
#include "tools/velmora_render/process_readings.h"
#include "tools/velmora_render/stop_signals.h"

namespace {

using Clock = std::chrono::steady_clock;

bool PrintReadings(uint64_t framesDrawn, Clock::time_point start, FILE* out) {
    ProcessReadings readings;
    if (!ReadProcessReadings(readings)) {
        std::fprintf(stderr, "velmora-render: cannot read /proc/self (the soak needs Linux)\n");
        return false;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::fprintf(out, "frames=%llu rss_kib=%ld fds=%d threads=%d seconds=%.1f\n",
                 static_cast<unsigned long long>(framesDrawn), readings.residentKib, readings.openFiles,
                 readings.threads, seconds);
    std::fflush(out);  // a watcher sees each reading as it is taken
    return true;
}

}  // namespace

int RunSoak(uint32_t firstFrame, uint32_t lastFrame, FILE* out) {
    DeferStopSignals();
    std::fprintf(out, "velmora-render soak: %ux%u, frames %u-%u, readings every %u frames\n", Scene.width,
                 Scene.height, firstFrame, lastFrame, SoakReadingFrames);
    const Clock::time_point start = Clock::now();
    if (!PrintReadings(0, start, out)) return 1;
    SeekFrame(firstFrame);
    uint64_t framesDrawn = 0;
    for (uint32_t frame = firstFrame;; ++frame) {
        RenderFrame();
        Scene.frameCounter = (Scene.frameCounter + 1) & FrameCounterMask;
        ++framesDrawn;
        const bool last = frame == lastFrame;
        if ((framesDrawn % SoakReadingFrames == 0 || last) && !PrintReadings(framesDrawn, start, out)) return 1;
        if (const int signal = PendingStopSignal()) {
            std::fprintf(stderr, "velmora-render: soak stopped by %s after %llu frames\n", StopSignalName(signal),
                         static_cast<unsigned long long>(framesDrawn));
            EndBySignal(signal);
        }
        if (last) return 0;
    }
}
