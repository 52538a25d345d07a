#include "tools/velmora_render/video_export.h"

#include <unistd.h>

#include <cassert>
#include <cstdio>
#include <string>

#include "app/frame_sequence.h"
#include "core/scene_state.h"
#include "tools/velmora_render/progress_meter.h"
#include "tools/velmora_render/stop_signals.h"
#include "tools/velmora_render/video_file.h"

namespace {

constexpr int ExitFailure = 1;
// "812 kB", "14.3 MB": the summary's file size.
std::string SizeText(uint64_t bytes) {
    char text[32];
    if (bytes < 1000000)
        std::snprintf(text, sizeof text, "%.0f kB", bytes / 1e3);
    else
        std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

}  // namespace

int RenderVideo(const ToolOptions& options) {
    // The window rule clears bit 0 of both sizes; VideoFile would pad odd ones.
    assert(Scene.width % 2 == 0 && Scene.height % 2 == 0);
    DeferStopSignals();
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
        return PendingStopSignal() == 0;
    });
    const bool finished = walked && PendingStopSignal() == 0 && video.Finish(error);
    progress.End();
    if (!finished) {
        video.Abandon();
        if (const int signal = PendingStopSignal()) {
            std::fprintf(stderr, "velmora-render: interrupted by %s; no video written\n", StopSignalName(signal));
            EndBySignal(signal);
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
