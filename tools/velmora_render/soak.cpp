#include "tools/velmora_render/soak.h"

#include <chrono>
#include <thread>

#include "app/frame_sequence.h"
#include "core/scene_state.h"
#include "tools/velmora_render/process_readings.h"
#include "tools/velmora_render/stop_signals.h"

namespace {

using Clock = std::chrono::steady_clock;

// Between frames the process has no worker: both were joined. A joined thread
// can still be in the kernel's list for a moment after the join returns, so a
// count above one is read again for up to SettleMilliseconds before it stands.
constexpr int SettleMilliseconds = 100;

bool ReadSettledReadings(ProcessReadings& readings) {
    for (int waited = 0;; ++waited) {
        if (!ReadProcessReadings(readings)) return false;
        if (readings.threads <= 1 || waited == SettleMilliseconds) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool PrintReadings(uint64_t framesDrawn, Clock::time_point start, FILE* out) {
    ProcessReadings readings;
    if (!ReadSettledReadings(readings)) {
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
    uint64_t framesDrawn = 0;
    bool readable = true;
    WalkFrames(firstFrame, lastFrame, [&](uint32_t frame) {
        ++framesDrawn;
        const bool last = frame == lastFrame;
        if (framesDrawn % SoakReadingFrames == 0 || last) readable = PrintReadings(framesDrawn, start, out);
        if (const int signal = PendingStopSignal()) {
            std::fprintf(stderr, "velmora-render: soak stopped by %s after %llu frames\n", StopSignalName(signal),
                         static_cast<unsigned long long>(framesDrawn));
            EndBySignal(signal);
        }
        return readable;
    });
    return readable ? 0 : 1;
}
