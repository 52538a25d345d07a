// The per-frame fork and join of the two band workers: the only threading the
// renderer does. Each backend (Win32, POSIX, web) implements it; the renderer
// hands in the routine that draws a band, so this layer knows nothing of bands.
#pragma once

// Draws band 0 (top) or 1 (bottom) on the calling thread and returns.
using BandRoutine = void (*)(int band);

// Creates the top-band worker and the bottom-band worker, configures both
// before either runs (time-critical or the highest permitted priority, one
// processor each where it exists), lets them run and returns when both have
// ended. Each worker draws its band with drawBand and ends its thread with the
// band's number as exit code. A band whose worker cannot be created is drawn
// on the calling thread, so every band is drawn exactly once.
// In a browser, where starting a thread goes through the page's thread, the
// two band threads are started with the first frame and then wait for every
// frame's fork, draw their band with drawBand and report the join.
void ForkJoinBandWorkers(BandRoutine drawBand);
