// A long run of the renderer alone: frames drawn without writing them, with
// the process's resident memory, open files and threads printed every
// SoakReadingFrames frames, so a script can tell whether any of them grows.
#pragma once
#include <cstdint>
#include <cstdio>

constexpr uint32_t SoakReadingFrames = 1000;

// Draws frames first..last and prints a heading, then one line
//   frames=N rss_kib=R fds=F threads=T seconds=S
// before the first frame, after every SoakReadingFrames frames and after the
// last. Returns 0, or 1 when /proc/self cannot be read. Ctrl-C ends the run
// between frames (see stop_signals.h).
int RunSoak(uint32_t firstFrame, uint32_t lastFrame, FILE* out);
