// The band workers' fork and join on POSIX threads. Each thread is configured
// (processor, priority) through its creation attributes, and both wait behind
// a start gate until both exist, as suspended creation does on Win32; a
// setting the process may not use is left at its default rather than failing
// the frame.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>

#include "platform/band_threads.h"

namespace {

// Pins the thread to one processor where that processor exists.
void SetProcessorAffinity(pthread_attr_t* attributes, int processor) {
#if defined(__linux__)
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    if (processor >= processors) return;  // let the system place it
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(processor, &set);
    pthread_attr_setaffinity_np(attributes, sizeof(set), &set);
#else
    (void)attributes;
    (void)processor;
#endif
}

// The highest priority an unprivileged process may set: a realtime priority
// only where the resource limit grants one (RLIMIT_RTPRIO); otherwise the
// default policy, since raising it would need privileges we do not assume.
void SetHighestUnprivilegedPriority(pthread_attr_t* attributes) {
#if defined(__linux__)
    struct rlimit limit;
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0) return;
    int highest = sched_get_priority_max(SCHED_FIFO);
    sched_param param{};
    param.sched_priority = static_cast<int>(
        limit.rlim_cur < static_cast<rlim_t>(highest) ? limit.rlim_cur : highest);
    pthread_attr_setinheritsched(attributes, PTHREAD_EXPLICIT_SCHED);
    pthread_attr_setschedpolicy(attributes, SCHED_FIFO);
    pthread_attr_setschedparam(attributes, &param);
#else
    (void)attributes;
#endif
}

// Holds the workers back until the calling thread has created both. Without
// it, a worker pinned to the processor the calling thread runs on takes that
// processor at once, and the calling thread, preempted before it creates the
// second worker, often waits there until the first band is done: the two
// bands then run one after the other.
struct StartGate {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t opened = PTHREAD_COND_INITIALIZER;
    bool open = false;

    void WaitUntilOpen() {
        pthread_mutex_lock(&mutex);
        while (!open) pthread_cond_wait(&opened, &mutex);
        pthread_mutex_unlock(&mutex);
    }

    void Open() {
        pthread_mutex_lock(&mutex);
        open = true;
        pthread_cond_broadcast(&opened);
        pthread_mutex_unlock(&mutex);
    }
};

// What one worker draws, and the gate it waits behind.
struct GatedWorker {
    StartGate* gate;
    BandRoutine drawBand;
    int band;
};

// A worker thread's entry routine: its band, then the band's number as the
// thread's exit code.
void* RunBandWorker(void* argument) {
    const GatedWorker* worker = static_cast<const GatedWorker*>(argument);
    worker->gate->WaitUntilOpen();
    worker->drawBand(worker->band);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(worker->band));
}

bool StartWorker(pthread_t* thread, GatedWorker* worker, int processor) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    SetProcessorAffinity(&attributes, processor);
    SetHighestUnprivilegedPriority(&attributes);
    int result = pthread_create(thread, &attributes, RunBandWorker, worker);
    pthread_attr_destroy(&attributes);
    if (result != 0) {
        // A setting the system refuses (a restricted cpuset, a priority it
        // will not grant) must not cost the frame its worker: plain thread.
        result = pthread_create(thread, nullptr, RunBandWorker, worker);
    }
    return result == 0;
}

}  // namespace

void ForkJoinBandWorkers(BandRoutine drawBand) {
    StartGate gate;
    GatedWorker topWorker{&gate, drawBand, 0}, bottomWorker{&gate, drawBand, 1};
    pthread_t top, bottom;
    bool topStarted = StartWorker(&top, &topWorker, 0);
    bool bottomStarted = StartWorker(&bottom, &bottomWorker, 1);
    gate.Open();
    if (!topStarted) drawBand(0);
    if (!bottomStarted) drawBand(1);
    if (topStarted) pthread_join(top, nullptr);
    if (bottomStarted) pthread_join(bottom, nullptr);
    // Both workers passed the gate before they ended.
    pthread_cond_destroy(&gate.opened);
    pthread_mutex_destroy(&gate.mutex);
}
