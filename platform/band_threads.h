// The per-frame fork and join of the two band workers: the only threading the
// renderer does. Each backend (Win32, POSIX) implements these.
#pragma once
#include <cstdint>

#if defined(_WIN32)
#define VELMORA_THREAD_CALL __stdcall
using ThreadResult = unsigned long;
#else
#define VELMORA_THREAD_CALL
using ThreadResult = void*;
#endif

// Creates the top-band thread (entry WorkerTop) and the bottom-band thread
// (entry WorkerBottom), configures both before either runs (time-critical or
// the highest permitted priority, one processor each where it exists), lets
// them run and returns when both have ended. A band whose worker cannot be
// created is drawn on the calling thread, so every band is drawn exactly once.
void ForkJoinBandWorkers();

// Ends the calling worker thread with the given exit code; never returns.
[[noreturn]] void EndWorkerThread(uint32_t exitCode);
