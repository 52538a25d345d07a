// velmora-render: the demo's frames without a window, as images or a video,
// its benchmark, and an export of the embedded data.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "assets/embedded_data.h"
#include "core/reciprocal.h"
#include "core/scene_state.h"
#include "render/frame_pipeline.h"
#include "tools/velmora_render/bench.h"
#include "tools/velmora_render/buffer_views.h"
#include "tools/velmora_render/icon_export.h"
#include "tools/velmora_render/image_file.h"
#include "tools/velmora_render/options.h"
#include "tools/velmora_render/video_export.h"
#include "velmora_version.h"
#include "tools/velmora_render/process_readings.h"
#include "tools/velmora_render/soak.h"
#include "tools/velmora_render/stop_signals.h"
#include "tools/velmora_render/tool_scene.h"

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

bool EnsureDirectory(const std::string& dir, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        error = "cannot use output directory " + dir + (ec ? ": " + ec.message() : "");
        return false;
    }
    return true;
}

int ExportAssets(const std::string& dir) {
    std::string error;
    if (!EnsureDirectory(dir, error) ||
        !WriteFileBytes(dir + "/model.3ds", EmbeddedModel, EmbeddedModelBytes, error) ||
        !WriteFileBytes(dir + "/band.bmp", BandImage, BandImageBytes, error) ||
        !WriteFileBytes(dir + "/face_classes.bin", FaceClassTable, sizeof FaceClassTable, error)) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    return 0;
}

int ExportIcon(const std::string& dir) {
    std::string error;
    if (!EnsureDirectory(dir, error) || !ExportIcons(dir, error)) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    return 0;
}

// DIR/frame_NNNNNN, without the extension.
std::string FrameStem(const ToolOptions& options, uint32_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06u", frame);
    return options.outDir + "/" + name;
}

std::string FramePath(const ToolOptions& options, uint32_t frame) {
    return FrameStem(options, frame) + (options.format == ImageFormat::Png ? ".png" : ".ppm");
}

int RenderFrames(const ToolOptions& options) {
    std::string error;
    if (!EnsureDirectory(options.outDir, error)) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    const bool showProgress = isatty(STDERR_FILENO) && options.lastFrame > options.firstFrame;
    DeferStopSignals();
    const bool ok = WalkFrames(options.firstFrame, options.lastFrame, [&](uint32_t frame) {
        const std::string path = FramePath(options, frame);
        const bool written = options.format == ImageFormat::Png
                                 ? WritePng(path, Scene.colorBuffer, Scene.width, Scene.height, error)
                                 : WritePpm(path, Scene.colorBuffer, Scene.width, Scene.height, error);
        // The views are drawn from copies after the frame is written.
        if (written && options.buffers && !WriteBufferViews(FrameStem(options, frame), error)) return false;
        if (written && showProgress)
            std::fprintf(stderr, "\rframe %u of %u-%u", frame, options.firstFrame, options.lastFrame);
        if (const int signal = written ? PendingStopSignal() : 0) {
            if (showProgress) std::fputc('\n', stderr);
            std::fprintf(stderr, "velmora-render: stopped by %s; frames %u-%u are complete\n", StopSignalName(signal),
                         options.firstFrame, frame);
            EndBySignal(signal);
        }
        return written;
    });
    if (showProgress) std::fputc('\n', stderr);
    if (!ok) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    return 0;
}

// Linux overcommits memory: buffers larger than the machine may be granted and
// the process killed when the first clear touches them. Such a screen is
// refused before drawing instead.
bool BuffersFitMachine(const ToolOptions& options) {
    const uint64_t bytes = uint64_t{3} * 4 * Scene.width * Scene.height;
    const uint64_t machine = MachineMemoryBytes();
    if (machine == 0 || bytes <= machine) return true;
    std::fprintf(stderr, "velmora-render: the buffers for a %dx%d screen need %llu MiB, more than this machine's %llu MiB\n",
                 options.screenWidth, options.screenHeight, static_cast<unsigned long long>(bytes >> 20),
                 static_cast<unsigned long long>(machine >> 20));
    return false;
}

int Bench(const ToolOptions& options) {
    FILE* csv = nullptr;
    if (!options.csvPath.empty() && !(csv = std::fopen(options.csvPath.c_str(), "w"))) {
        std::fprintf(stderr, "velmora-render: cannot create %s: %s\n", options.csvPath.c_str(), std::strerror(errno));
        return ExitFailure;
    }
    RunBench(options.firstFrame, options.lastFrame, options.repeat, stdout, csv);
    if (csv && std::fclose(csv) != 0) {
        std::fprintf(stderr, "velmora-render: cannot write %s: %s\n", options.csvPath.c_str(), std::strerror(errno));
        return ExitFailure;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    IgnoreFileSizeSignal();
    std::vector<std::string> args(argv + 1, argv + argc);
    ToolOptions options;
    std::string error;
    if (!ParseToolOptions(args, options, error)) {
        std::fprintf(stderr, "velmora-render: %s\n%s", error.c_str(), ToolUsage);
        return ExitUsage;
    }
    if (options.mode == ToolMode::Help) {
        std::fputs(ToolUsage, stdout);
        return 0;
    }
    if (options.mode == ToolMode::Version) {
        std::printf("velmora-render %s\n", VelmoraVersion);
        return 0;
    }
    if (options.mode == ToolMode::ExportAssets) return ExportAssets(options.exportDir);
    if (options.mode == ToolMode::Icon) return ExportIcon(options.iconDir);
    if (!OpenToolScene(options, "velmora-render")) return ExitFailure;
    if (!BuffersFitMachine(options)) {
        CloseHeadlessScene();
        return ExitFailure;
    }
    int result = 0;
    if (options.mode == ToolMode::Bench)
        result = Bench(options);
    else if (options.mode == ToolMode::Video)
        result = RenderVideo(options);
    else if (options.mode == ToolMode::Soak)
        result = RunSoak(options.firstFrame, options.lastFrame, stdout);
    else
        result = RenderFrames(options);
    CloseHeadlessScene();
    return result;
}
