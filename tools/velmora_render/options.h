// The command line of velmora-render.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class ToolMode { Render, Bench, ExportAssets, Help };
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
    uint32_t repeat = 1;  // --bench: each frame drawn this many times, the fastest kept
    bool repeatGiven = false;
};

// The most repeats --repeat accepts (a full swing at 100 repeats is minutes).
constexpr uint32_t MaxBenchRepeat = 1000;

// The largest frame number accepted: file names carry six digits.
constexpr uint32_t MaxFrameNumber = 999999;

// The bench's default frames: one whole zoom swing.
constexpr uint32_t BenchDefaultLastFrame = 1823;

// Parses argv[1..]; on failure returns false with a one-line reason in error.
bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& error);

extern const char* const ToolUsage;
