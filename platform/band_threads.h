// The per-frame fork and join of the two band workers: the only threading the
// renderer does. Each backend (Win32, POSIX) implements these; the renderer
// hands in what the threads run, so this layer knows nothing of bands.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#define VELMORA_THREAD_CALL __stdcall
using ThreadResult = unsigned long;
#else
#define VELMORA_THREAD_CALL
using ThreadResult = void*;
#endif

// A worker thread's entry routine; it ends its thread through EndWorkerThread.
using WorkerEntry = ThreadResult(VELMORA_THREAD_CALL*)(void*);

// Draws band 0 (top) or 1 (bottom) on the calling thread and returns.
using BandRoutine = void (*)(int band);

// Creates the top-band thread (entry top) and the bottom-band thread (entry
// bottom), configures both before either runs (time-critical or the highest
// permitted priority, one processor each where it exists), lets them run and
// returns when both have ended. A band whose worker cannot be created is drawn
// on the calling thread by drawBand, so every band is drawn exactly once.
// In a browser, where starting a thread goes through the page's thread, the
// two band threads are started with the first frame and run drawBand for
// every frame's fork; top and bottom are not called there.
void ForkJoinBandWorkers(WorkerEntry top, WorkerEntry bottom, BandRoutine drawBand);

// Ends the calling worker thread with the given exit code; never returns.
[[noreturn]] void EndWorkerThread(uint32_t exitCode);
