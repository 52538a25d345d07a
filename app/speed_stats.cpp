#include "app/speed_stats.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "core/scene_state.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto ReportInterval = std::chrono::seconds(1);  // one line per second

FILE* StatsFile = nullptr;
Clock::time_point IntervalStart;
unsigned FramesInInterval = 0;

}  // namespace

void OpenSpeedStats() {
    const char* path = std::getenv("VELMORA_STATS");
    if (path == nullptr || path[0] == '\0') return;
    // Binary mode: lines end with a plain newline on Windows too.
    StatsFile = std::fopen(path, "ab");
    IntervalStart = Clock::now();
}

void RecordFrameForStats() {
    if (StatsFile == nullptr) return;
    ++FramesInInterval;
    Clock::time_point now = Clock::now();
    Clock::duration elapsed = now - IntervalStart;
    if (elapsed < ReportInterval) return;
    double seconds = std::chrono::duration<double>(elapsed).count();
    std::fprintf(StatsFile, "fps=%.1f speed=%s\n", FramesInInterval / seconds,
                 Scene.fullSpeed == 1 ? "full" : "idle");
    // The process ends through ExitProcess on Windows, which does not flush
    // the C library's buffers: each line goes out at once.
    std::fflush(StatsFile);
    IntervalStart = now;
    FramesInInterval = 0;
}
