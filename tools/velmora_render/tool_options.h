// What a velmora-render command line asks for, and the limits and defaults of
// its values: the record the option parsing fills and every mode reads.
#pragma once
#include <cstdint>
#include <string>

#include "app/scene_file_reading.h"

enum class ToolMode { Render, Bench, Soak, Video, ExportAssets, Icon, Help, Version };
enum class ImageFormat { Png, Ppm };

struct ToolOptions {
    ToolMode mode = ToolMode::Render;
    int screenWidth = 1920;
    int screenHeight = 1080;
    uint32_t firstFrame = 0;
    uint32_t lastFrame = 0;
    ImageFormat format = ImageFormat::Png;
    std::string outDir = ".";
    std::string exportDir;
    std::string iconDir;
    std::string videoPath;
    uint32_t videoFps = 60;
    bool portable = false;  // exact 1/x and 1/sqrt(x) in place of the fast estimates
    uint32_t repeat = 1;  // --bench: each frame drawn this many times, the fastest kept
    bool buffers = false;  // --buffers: pictures of each frame's buffers beside it
    std::string csvPath;   // --bench --csv: one line of stage times per frame
    SceneFilePaths sceneFiles;  // --model, --picture, --classes: the user's files in place of the embedded ones
};

// The most repeats --repeat accepts (a full swing at 100 repeats is minutes).
constexpr uint32_t MaxBenchRepeat = 1000;

// Frame numbers are 32-bit. Reaching frame K steps the zoom K times (one float
// multiply each, some 3 s per 10^9 on the development machine), so every
// accepted frame is reached in bounded time. Names carry at least six digits:
// frame_000000 .. frame_999999, then frame_1000000 and on.
constexpr uint32_t MaxFrameNumber = UINT32_MAX;

// The bench's default frames: one whole zoom swing.
constexpr uint32_t BenchDefaultLastFrame = 1823;
// A video's default frames: the same whole swing.
constexpr uint32_t VideoDefaultLastFrame = 1823;

// The frame rates a video may have: players cope with these.
constexpr uint32_t MinVideoFps = 1;
constexpr uint32_t MaxVideoFps = 240;

// The soak's default frames: the short run CI makes.
constexpr uint32_t SoakDefaultLastFrame = 19999;
