// A one-line progress bar on a terminal: frames done, frames per second and
// the time left, redrawn in place.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>

class ProgressMeter {
public:
    // Draws nothing when `enabled` is false (stderr is not a terminal).
    ProgressMeter(uint32_t totalFrames, bool enabled, FILE* out);

    // Records that `done` frames are finished; redraws a few times a second
    // and at the last frame.
    void Update(uint32_t done);

    // Ends the bar's line so that the next line starts clean.
    void End();

    double ElapsedSeconds() const;

private:
    using Clock = std::chrono::steady_clock;
    void Draw(uint32_t done);

    uint32_t total_;
    bool enabled_;
    bool drawn_ = false;
    FILE* out_;
    Clock::time_point start_, lastDraw_;
};
