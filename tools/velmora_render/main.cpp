// velmora-render: the demo's frames without a window, its benchmark, and an
// export of the embedded data.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "assets/embedded_data.h"
#include "core/scene_state.h"
#include "render/frame_pipeline.h"
#include "tools/velmora_render/bench.h"
#include "tools/velmora_render/image_file.h"
#include "tools/velmora_render/options.h"

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
        !WriteFileBytes(dir + "/face_classes.bin", FaceClassTableBytes, sizeof FaceClassTableBytes, error)) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    return 0;
}

std::string FramePath(const ToolOptions& options, uint32_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06u.%s", frame, options.format == ImageFormat::Png ? "png" : "ppm");
    return options.outDir + "/" + name;
}

int RenderFrames(const ToolOptions& options) {
    std::string error;
    if (!EnsureDirectory(options.outDir, error)) {
        std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
        return ExitFailure;
    }
    const bool showProgress = isatty(STDERR_FILENO) && options.lastFrame > options.firstFrame;
    SeekFrame(options.firstFrame);
    for (uint32_t frame = options.firstFrame;; ++frame) {
        RenderFrame();
        AdvanceFrame();
        const std::string path = FramePath(options, frame);
        const bool ok = options.format == ImageFormat::Png
                            ? WritePng(path, Scene.colorBuffer, Scene.width, Scene.height, error)
                            : WritePpm(path, Scene.colorBuffer, Scene.width, Scene.height, error);
        if (!ok) {
            if (showProgress) std::fputc('\n', stderr);
            std::fprintf(stderr, "velmora-render: %s\n", error.c_str());
            return ExitFailure;
        }
        if (showProgress)
            std::fprintf(stderr, "\rframe %u of %u-%u", frame, options.firstFrame, options.lastFrame);
        if (frame == options.lastFrame) break;
    }
    if (showProgress) std::fputc('\n', stderr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
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
    if (options.mode == ToolMode::ExportAssets) return ExportAssets(options.exportDir);
    if (!OpenHeadlessScene(options.screenWidth, options.screenHeight)) {
        std::fprintf(stderr, "velmora-render: cannot allocate the buffers for a %dx%d screen\n",
                     options.screenWidth, options.screenHeight);
        return ExitFailure;
    }
    int result = 0;
    if (options.mode == ToolMode::Bench)
        RunBench(options.firstFrame, options.lastFrame, options.repeat, stdout);
    else
        result = RenderFrames(options);
    CloseHeadlessScene();
    return result;
}
