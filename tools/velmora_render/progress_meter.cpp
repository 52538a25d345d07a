#include "tools/velmora_render/progress_meter.h"

namespace {

constexpr int BarWidth = 30;
// Redraws at most this often: enough to look live, too few to cost anything.
constexpr std::chrono::milliseconds RedrawInterval{100};

}  // namespace

ProgressMeter::ProgressMeter(uint32_t totalFrames, bool enabled, FILE* out)
    : total_(totalFrames), enabled_(enabled), out_(out), start_(Clock::now()), lastDraw_(start_) {}

double ProgressMeter::ElapsedSeconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void ProgressMeter::Update(uint32_t done) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (done < total_ && drawn_ && now - lastDraw_ < RedrawInterval) return;
    lastDraw_ = now;
    Draw(done);
}

void ProgressMeter::Draw(uint32_t done) {
    char bar[BarWidth + 1];
    const int filled = static_cast<int>(static_cast<uint64_t>(done) * BarWidth / total_);
    for (int i = 0; i < BarWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[BarWidth] = '\0';
    const double seconds = ElapsedSeconds();
    const double fps = seconds > 0 ? done / seconds : 0;
    const int left = fps > 0 ? static_cast<int>((total_ - done) / fps + 0.5) : 0;
    // Trailing blanks wipe what a longer earlier line left behind.
    std::fprintf(out_, "\r[%s] %u/%u frames  %.1f frames/s  %d:%02d left   ", bar, done, total_, fps,
                 left / 60, left % 60);
    std::fflush(out_);
    drawn_ = true;
}

void ProgressMeter::End() {
    if (drawn_) std::fputc('\n', out_);
    drawn_ = false;
}
