// The band workers' fork and join in a browser. A thread there is a worker
// that the page's thread starts and that takes each start through its event
// loop, so creating two threads per frame would cost two trips through the
// page's thread (which may be busy putting the last frame on the canvas).
// Instead the two band threads are started with the first frame and then,
// for every frame, wait to be forked, draw their band and report the join,
// through one shared counter each way: a frame's fork and join are still the
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

// One band thread and its two futex words: the calling thread raises forks
// by one to hand it a frame; the band thread, done, sets joins to the same
// value. Each word has one writer.
struct BandThread {
    bool running = false;  // false: its band is drawn on the calling thread
    uint32_t forks = 0;
    uint32_t joins = 0;
    double drawMs = 0;  // written by the band thread before it raises joins
};

BandThread Bands[BandCount];
bool StartTried = false;
// The routine the band threads run for the frame in hand; written before the fork.
BandRoutine FrameBand = nullptr;
ForkJoinTimes LastTimes{};

uint32_t Acquire(const uint32_t* word) { return __atomic_load_n(word, __ATOMIC_ACQUIRE); }

void ReleaseAndWake(uint32_t* word, uint32_t value) {
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
    emscripten_futex_wake(word, INT_MAX);
}

// Sleeps while *word still holds seen.
void WaitWhileEqual(const uint32_t* word, uint32_t seen) {
    while (Acquire(word) == seen) emscripten_futex_wait(const_cast<uint32_t*>(word), seen, INFINITY);
}

double DrawTimed(int band) {
    const double start = emscripten_get_now();
    FrameBand(band);
    return emscripten_get_now() - start;
}

void* RunBandThread(void* argument) {
    const int band = static_cast<int>(reinterpret_cast<intptr_t>(argument));
    BandThread& self = Bands[band];
    uint32_t handled = 0;
    for (;;) {
        WaitWhileEqual(&self.forks, handled);
        handled = Acquire(&self.forks);
        self.drawMs = DrawTimed(band);
        ReleaseAndWake(&self.joins, handled);
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
        if (Bands[band].running) pthread_detach(thread);
    }
}

}  // namespace

// The entry routines end a thread per frame; here the threads outlive the
// frame and are handed drawBand instead.
void ForkJoinBandWorkers(WorkerEntry, WorkerEntry, BandRoutine drawBand) {
    const double start = emscripten_get_now();
    if (!StartTried) StartBandThreads();
    FrameBand = drawBand;
    for (BandThread& band : Bands) {
        if (band.running) ReleaseAndWake(&band.forks, band.forks + 1);
    }
    for (int band = 0; band < BandCount; ++band) {
        if (!Bands[band].running) Bands[band].drawMs = DrawTimed(band);
    }
    for (BandThread& band : Bands) {
        if (band.running) WaitWhileEqual(&band.joins, band.forks - 1);
    }
    LastTimes = ForkJoinTimes{emscripten_get_now() - start, {Bands[0].drawMs, Bands[1].drawMs}};
}

void EndWorkerThread(uint32_t exitCode) {
    pthread_exit(reinterpret_cast<void*>(static_cast<uintptr_t>(exitCode)));
}

ForkJoinTimes LastForkJoinTimes() { return LastTimes; }
