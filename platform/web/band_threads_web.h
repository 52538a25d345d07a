// What the browser's fork and join (band_threads_web.cpp) tells the page
// beyond the seam every backend has (platform/band_threads.h): how long the
// last frame's bands took.
#pragma once

struct ForkJoinTimes {
    double forkToJoinMs;  // the calling thread, from the fork until both bands were drawn
    double bandMs[2];     // each band's drawing, on the thread that drew it (top, bottom)
};

// The times of the last ForkJoinBandWorkers; all 0 before the first.
ForkJoinTimes LastForkJoinTimes();
