// The command line of velmora-render.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class ToolMode { Render, Bench, Video, ExportAssets, Help, Version };
enum class ImageFormat { Png, Ppm };

struct ToolOptions {
    ToolMode mode = ToolMode::Render;
    int screenWidth = 1920;
    int screenHeight = 1080;
    uint32_t firstFrame = 0;
    uint32_t lastFrame = 0;
    bool framesGiven = false;
    ImageFormat format = ImageFormat::Png;
    std::string outDir = ".";
    std::string exportDir;
    std::string videoPath;
    uint32_t videoFps = 60;
    bool portable = false;  // exact 1/x and 1/sqrt(x) in place of the fast estimates
};

// The largest frame number accepted: file names carry six digits.
constexpr uint32_t MaxFrameNumber = 999999;

// The bench's default frames: one whole zoom swing.
constexpr uint32_t BenchDefaultLastFrame = 1823;
// A video's default frames: the same whole swing.
constexpr uint32_t VideoDefaultLastFrame = 1823;

// The frame rates a video may have: players cope with these.
constexpr uint32_t MinVideoFps = 1;
constexpr uint32_t MaxVideoFps = 240;

// Parses argv[1..]; on failure returns false with a one-line reason in error.
bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& error);

extern const char* const ToolUsage;
