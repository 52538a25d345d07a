// The WebAssembly build's frames under Node, written as binary PPM files with
// the same bytes as `velmora-render --portable --format ppm`, so the two can
// be compared with cmp.
//   node --no-experimental-fetch node_frames.js WxH OUTDIR FRAME...
// WxH is the screen; the picture is the window's client area for it. It also
// says on stdout how many band workers the build ran as threads ("band
// threads: 2" with shared memory, 0 without).
#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "core/scene_state.h"
#include "platform/band_threads.h"
#include "render/frame_pipeline.h"

namespace {

// The fork and join the renderer uses, with workers that only note whether
// they run on a thread other than the caller's.
pthread_t CallingThread;
std::atomic<int> WorkersOnOwnThread{0};

void NoteWorkerThread(int) {
    if (!pthread_equal(pthread_self(), CallingThread)) ++WorkersOnOwnThread;
}

int CountBandThreads() {
    CallingThread = pthread_self();
    ForkJoinBandWorkers(NoteWorkerThread);
    return WorkersOnOwnThread;
}

bool WritePpm(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", Scene.width, Scene.height) > 0;
    std::vector<unsigned char> row(size_t{Scene.width} * 3);
    for (int y = 0; ok && y < Scene.height; ++y) {
        const uint32_t* pixels = Scene.colorBuffer + size_t{Scene.width} * y;
        for (int x = 0; x < Scene.width; ++x) {
            row[3 * x + 0] = static_cast<unsigned char>(pixels[x] >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(pixels[x]);
        }
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    int width = 0, height = 0;
    if (argc < 4 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "usage: node_frames WxH OUTDIR FRAME...\n");
        return 2;
    }
    if (!OpenHeadlessScene(width, height)) {
        std::fprintf(stderr, "node_frames: cannot open a %dx%d scene\n", width, height);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const uint32_t frame = static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10));
        SeekFrame(frame);
        RenderFrame();
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06u.ppm", frame);
        if (!WritePpm(argv[2] + std::string(name))) {
            std::fprintf(stderr, "node_frames: cannot write %s%s\n", argv[2], name);
            return 1;
        }
    }
    CloseHeadlessScene();
    std::printf("band threads: %d\n", CountBandThreads());
    return 0;
}
