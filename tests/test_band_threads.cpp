// The fork and join of the band workers: neither starts before both exist, and
// when the system refuses threads each band is drawn on the calling thread and
// the frame is still complete.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "core/scene_state.h"
#include "platform/band_threads.h"
#include "render/frame_pipeline.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool UnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool UnderSanitizer = true;
#else
constexpr bool UnderSanitizer = false;
#endif
#else
constexpr bool UnderSanitizer = false;
#endif

// The process's mapped size, from /proc/self/statm (pages).
size_t MappedBytes() {
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
    return pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The process's threads now, from /proc/self/task.
int ThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return -1;
    int count = 0;
    while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
    closedir(tasks);
    return count;
}

int ThreadsAtStart[2];
std::atomic<int> WorkersCounted;
pthread_t Forking;

// Counts the threads, then stays until the other worker has counted too, so
// that neither count misses a worker that had already ended (a band drawn on
// the forking thread, whose worker could not be created, does not wait).
void CountThreads(int band) {
    ThreadsAtStart[band] = ThreadCount();
    ++WorkersCounted;
    while (!pthread_equal(pthread_self(), Forking) && WorkersCounted.load() < 2) sched_yield();
}

// A worker that ran as soon as it was created could take the processor of the
// thread that has yet to create the other one; so each waits until both exist,
// and both count the same threads. (The counts are compared with each other,
// not with one taken before the fork: a runtime may start threads of its own
// with the first thread, as the thread sanitizer does.)
TEST(BandThreads, NeitherWorkerStartsBeforeBothExist) {
    for (int fork = 0; fork < 40; ++fork) {
        WorkersCounted = 0;
        Forking = pthread_self();
        ForkJoinBandWorkers(CountThreads);
        ASSERT_GT(ThreadsAtStart[0], 0);
        ASSERT_EQ(ThreadsAtStart[0], ThreadsAtStart[1]) << "the top worker ran before the bottom one existed, fork "
                                                        << fork;
    }
}

TEST(BandThreads, FrameIsCompleteWhenNoWorkerCanBeCreated) {
    if (UnderSanitizer) GTEST_SKIP() << "sanitizers need address space of their own";
    ASSERT_TRUE(OpenHeadlessScene(330, 250));
    SeekFrame(561);
    RenderFrame();
    const size_t pixels = static_cast<size_t>(Scene.width) * Scene.height;
    const std::vector<uint32_t> expected(Scene.colorBuffer, Scene.colorBuffer + pixels);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // No room for a thread stack: pthread_create fails with EAGAIN. The
        // default stack is made larger than any the parent's threads left in
        // glibc's stack cache, so no cached stack can be reused either.
        pthread_attr_t defaults;
        pthread_attr_init(&defaults);
        pthread_attr_setstacksize(&defaults, size_t{256} << 20);
        if (pthread_setattr_default_np(&defaults) != 0) _exit(4);
        const size_t mapped = MappedBytes();
        struct rlimit limit{mapped + (1u << 20), mapped + (1u << 20)};
        if (mapped == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        std::memset(Scene.colorBuffer, 0xAB, pixels * 4);
        SeekFrame(561);
        RenderFrame();
        _exit(std::memcmp(Scene.colorBuffer, expected.data(), pixels * 4) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the frame crashed or hung without threads";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the frame drawn without workers differs";
    CloseHeadlessScene();
}

}  // namespace
#endif
