#include "tools/velmora_render/option_rules.h"

#include "tools/velmora_render/option_values.h"

namespace {

// Words on a command line that holds one option and its value.
constexpr size_t OneOptionWithValue = 2;

bool Refuse(const std::string& why, std::string& error) {
    error = why;
    return false;
}

// Options that belong to one mode only, given without it.
bool ModeOnlyOptionsFit(const GivenOptions& given, std::string& error) {
    if ((given.repeat || given.csv) && !given.bench)
        return Refuse(std::string(given.repeat ? "--repeat" : "--csv") + " applies to --bench only", error);
    if (given.buffers && (given.bench || given.soak || given.video || given.exportAssets))
        return Refuse("--buffers writes pictures beside frame images: --bench, --soak, --video and "
                      "--export-assets do not apply",
                      error);
    return true;
}

// The icon is one fixed frame: nothing about it is chosen on the command line.
bool IconRules(const GivenOptions& given, ToolOptions& options, std::string& error) {
    if (given.argumentCount != OneOptionWithValue || given.values.iconDir.empty())
        return Refuse("--icon DIR takes a directory and no other options", error);
    options.mode = ToolMode::Icon;
    return true;
}

bool ExportRules(const GivenOptions& given, ToolOptions& options, std::string& error) {
    if (given.argumentCount != OneOptionWithValue) return Refuse("--export-assets DIR takes no other options", error);
    if (given.values.exportDir.empty()) return Refuse("--export-assets needs a directory", error);
    options.mode = ToolMode::ExportAssets;
    return true;
}

bool VideoRules(const GivenOptions& given, ToolOptions& options, std::string& error) {
    if (given.bench || given.soak || given.format || given.out)
        return Refuse("--video writes one MP4 file: --bench, --soak, --format and --out do not apply", error);
    // MP4 is the one container written; another extension would mislead.
    if (!HasMp4Extension(given.values.videoPath))
        return Refuse("--video writes MP4 only: the file name must end in .mp4, not '" + given.values.videoPath + "'",
                      error);
    options.mode = ToolMode::Video;
    if (!given.frames) options.lastFrame = VideoDefaultLastFrame;
    return true;
}

// --bench and --soak draw frames without writing them.
bool UnwrittenFrameRules(const GivenOptions& given, ToolOptions& options, std::string& error) {
    if (given.bench && given.soak) return Refuse("--bench and --soak cannot be combined", error);
    if (given.format || given.out)
        return Refuse(std::string(given.bench ? "--bench" : "--soak") + " writes no frames: --format and --out do not apply",
                      error);
    options.mode = given.bench ? ToolMode::Bench : ToolMode::Soak;
    if (!given.frames) options.lastFrame = given.bench ? BenchDefaultLastFrame : SoakDefaultLastFrame;
    return true;
}

}  // namespace

bool ApplyOptionRules(const GivenOptions& given, ToolOptions& options, std::string& error) {
    options = given.values;
    options.portable = given.portable;
    options.buffers = given.buffers;
    if (given.help || given.version) {
        options.mode = given.help ? ToolMode::Help : ToolMode::Version;
        return true;
    }
    if (!ModeOnlyOptionsFit(given, error)) return false;
    if (given.icon) return IconRules(given, options, error);
    if (given.exportAssets) return ExportRules(given, options, error);
    if (given.fps && !given.video) return Refuse("--fps applies to --video only", error);
    if (given.video) return VideoRules(given, options, error);
    if (given.bench || given.soak) return UnwrittenFrameRules(given, options, error);
    options.mode = ToolMode::Render;
    return true;
}
