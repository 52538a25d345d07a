// The band workers' fork and join on Windows threads: both created suspended,
// given time-critical priority and one processor each, and only then resumed;
// the main thread waits for both and closes their handles.
#include <windows.h>

#include "platform/band_threads.h"

namespace {

constexpr DWORD_PTR TopBandProcessors = 1;     // processor 0
constexpr DWORD_PTR BottomBandProcessors = 2;  // processor 1
constexpr DWORD WorkerCount = 2;

HANDLE Workers[WorkerCount];  // top band first, valid from the fork to the join

// What one worker draws.
struct BandWorker {
    BandRoutine drawBand;
    int band;
};

// A worker thread's entry routine: its band, then the band's number as the
// thread's exit code.
DWORD WINAPI RunBandWorker(LPVOID parameter) {
    const BandWorker* worker = static_cast<const BandWorker*>(parameter);
    worker->drawBand(worker->band);
    ExitThread(static_cast<DWORD>(worker->band));
}

HANDLE CreateConfiguredWorker(BandWorker* worker) {
    HANDLE thread = CreateThread(nullptr, 0, RunBandWorker, worker, CREATE_SUSPENDED, nullptr);
    if (thread != nullptr) SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    return thread;
}

}  // namespace

void ForkJoinBandWorkers(BandRoutine drawBand) {
    // Both live until the join, after which neither worker runs.
    BandWorker top{drawBand, 0}, bottom{drawBand, 1};
    Workers[0] = CreateConfiguredWorker(&top);
    Workers[1] = CreateConfiguredWorker(&bottom);
    // Where processor 1 does not exist the mask is refused and the bottom band
    // runs wherever the system places it; the picture does not depend on it.
    if (Workers[0] != nullptr) SetThreadAffinityMask(Workers[0], TopBandProcessors);
    if (Workers[1] != nullptr) SetThreadAffinityMask(Workers[1], BottomBandProcessors);
    if (Workers[0] != nullptr) ResumeThread(Workers[0]);
    if (Workers[1] != nullptr) ResumeThread(Workers[1]);

    if (Workers[0] != nullptr && Workers[1] != nullptr) {
        WaitForMultipleObjectsEx(WorkerCount, Workers, TRUE, INFINITE, FALSE);
    } else {
        // A worker that could not be created leaves its band to this thread,
        // and the frame still ends only after the other worker has ended.
        for (DWORD band = 0; band < WorkerCount; ++band) {
            if (Workers[band] == nullptr) drawBand(static_cast<int>(band));
        }
        for (DWORD band = 0; band < WorkerCount; ++band) {
            if (Workers[band] != nullptr) WaitForSingleObjectEx(Workers[band], INFINITE, FALSE);
        }
    }
    if (Workers[0] != nullptr) CloseHandle(Workers[0]);
    if (Workers[1] != nullptr) CloseHandle(Workers[1]);
}
