// The band workers' fork and join in a browser. A thread there is a worker
// that the page's thread starts and that takes each start through its event
// loop, so creating two threads per frame would cost two trips through the
// page's thread (which may be busy putting the last frame on the canvas).
// Instead the two band threads are started with the first frame and then,
// for every frame, wait to be forked, draw their band and report the join,
// through two shared counters: a frame's fork and join are still the
// only points where the calling thread and the band threads meet, both bands
// start after everything before the fork is written, and the frame ends only
// when both are drawn.
#include <emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>

#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/band_threads.h"
#include "platform/web/band_threads_web.h"

namespace {

constexpr int BandCount = 2;  // top, bottom

// Two futex words carry a frame's fork and join: the calling thread raises
// Forks by one to hand both band threads a frame (one wake for both), and
// each band thread, done, counts itself in BandsDone; the last one wakes the
// calling thread. Forks has one writer; BandsDone is set to 0 before the
// fork, while no band thread touches it.
uint32_t Forks = 0;
uint32_t BandsDone = 0;

struct BandThread {
    bool running = false;  // false: its band is drawn on the calling thread
    double drawMs = 0;     // written by whoever draws the band, before it counts itself done
};

BandThread Bands[BandCount];
uint32_t RunningBands = 0;
bool StartTried = false;
// The routine the band threads run for the frame in hand; written before the fork.
BandRoutine FrameBand = nullptr;
ForkJoinTimes LastTimes{};

uint32_t Acquire(const uint32_t* word) { return __atomic_load_n(word, __ATOMIC_ACQUIRE); }

// Sleeps while *word still holds seen.
void WaitWhileEqual(uint32_t* word, uint32_t seen) {
    while (Acquire(word) == seen) emscripten_futex_wait(word, seen, INFINITY);
}

double DrawTimed(int band) {
    const double start = emscripten_get_now();
    FrameBand(band);
    return emscripten_get_now() - start;
}

void* RunBandThread(void* argument) {
    const int band = static_cast<int>(reinterpret_cast<intptr_t>(argument));
    uint32_t handled = 0;
    for (;;) {
        WaitWhileEqual(&Forks, handled);
        handled = Acquire(&Forks);
        Bands[band].drawMs = DrawTimed(band);
        if (__atomic_add_fetch(&BandsDone, 1, __ATOMIC_ACQ_REL) == RunningBands) emscripten_futex_wake(&BandsDone, 1);
    }
}

// A page without shared memory cannot create threads: its bands are drawn
// on the calling thread, one after the other.
void StartBandThreads() {
    StartTried = true;
    for (int band = 0; band < BandCount; ++band) {
        pthread_t thread;
        void* argument = reinterpret_cast<void*>(static_cast<intptr_t>(band));
        Bands[band].running = pthread_create(&thread, nullptr, RunBandThread, argument) == 0;
        if (!Bands[band].running) continue;
        pthread_detach(thread);
        ++RunningBands;
    }
}

}  // namespace

void ForkJoinBandWorkers(BandRoutine drawBand) {
    const double start = emscripten_get_now();
    if (!StartTried) StartBandThreads();
    FrameBand = drawBand;
    if (RunningBands > 0) {
        __atomic_store_n(&BandsDone, 0, __ATOMIC_RELAXED);
        __atomic_store_n(&Forks, Forks + 1, __ATOMIC_RELEASE);
        emscripten_futex_wake(&Forks, INT_MAX);
    }
    for (int band = 0; band < BandCount; ++band) {
        if (!Bands[band].running) Bands[band].drawMs = DrawTimed(band);
    }
    for (uint32_t done; (done = Acquire(&BandsDone)) != RunningBands;) {
        emscripten_futex_wait(&BandsDone, done, INFINITY);
    }
    LastTimes = ForkJoinTimes{emscripten_get_now() - start, {Bands[0].drawMs, Bands[1].drawMs}};
}

ForkJoinTimes LastForkJoinTimes() { return LastTimes; }
