#include "tools/velmora_render/video_export.h"

#include <unistd.h>

#include <cassert>
#include <csignal>
#include <cstdio>
#include <string>

#include "app/frame_sequence.h"
#include "core/scene_state.h"
#include "tools/velmora_render/progress_meter.h"
#include "tools/velmora_render/video_file.h"

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitSignalBase = 128;  // the shell's convention: 128 + signal number

volatile std::sig_atomic_t StopSignal = 0;

extern "C" void RecordStopSignal(int signal) { StopSignal = signal; }

// Ctrl-C, a closed terminal or a kill end the video after the frame in hand,
// so that the temporary file can be removed. A signal ignored when we started
// (a background job, nohup) stays ignored.
void CatchStopSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = RecordStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
    // Past a file size limit, a write then fails like one on a full disk
    // (and is cleaned up the same way) instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

// "812 kB", "14.3 MB": the summary's file size.
std::string SizeText(uint64_t bytes) {
    char text[32];
    if (bytes < 1000000)
        std::snprintf(text, sizeof text, "%.0f kB", bytes / 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "a signal";
    }
}

}  // namespace

int RenderVideo(const ToolOptions& options) {
    // The window rule clears bit 0 of both sizes; VideoFile would pad odd ones.
    assert(Scene.width % 2 == 0 && Scene.height % 2 == 0);
    CatchStopSignals();
    std::string error;
    VideoFile video;
    if (!video.Open(options.videoPath, Scene.width, Scene.height, static_cast<int>(options.videoFps), error)) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    const uint32_t first = options.firstFrame;
    const uint32_t total = options.lastFrame - first + 1;
    ProgressMeter progress(total, isatty(STDERR_FILENO), stderr);
    const bool walked = WalkFrames(first, options.lastFrame, [&](uint32_t frame) {
        if (!video.WriteFrame(Scene.colorBuffer, error)) return false;
        progress.Update(frame - first + 1);
        return StopSignal == 0;
    });
    const bool finished = walked && StopSignal == 0 && video.Finish(error);
    progress.End();
    if (!finished) {
        video.Abandon();
        if (StopSignal != 0) {
            std::fprintf(stderr, "velmora-render: interrupted by %s; no video written\n", SignalName(StopSignal));
            return ExitSignalBase + StopSignal;
        }
        std::fprintf(stderr, "velmora-render: %s; no video written\n", error.c_str());
        return ExitFailure;
    }
    const double seconds = progress.ElapsedSeconds();
    std::printf("velmora-render: wrote %s: %u frames of %dx%d at %u frames/s, %s, in %.1f s (%.1f frames/s)\n",
                options.videoPath.c_str(), total, Scene.width, Scene.height, options.videoFps,
                SizeText(video.FinishedBytes()).c_str(), seconds, total / seconds);
    return 0;
}
