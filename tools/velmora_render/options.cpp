#include "tools/velmora_render/options.h"

#include <charconv>

#include "app/headless_scene.h"

const char* const ToolUsage =
    "usage: velmora-render [--screen WxH] [--frames K | A-B] [--format png|ppm] [--out DIR]\n"
    "       velmora-render --bench [--screen WxH] [--frames A-B] [--repeat N]\n"
    "       velmora-render --export-assets DIR\n"
    "       velmora-render --help\n"
    "Renders the demo's frames without a window. Frame K is the K-th frame the demo draws\n"
    "(frame 0 first), written as DIR/frame_NNNNNN.png or .ppm. The picture is the window's\n"
    "client area for that screen: (W-10) x (H-10), each rounded down to even; default screen\n"
    "1920x1080, frame 0, png, the current directory. --bench times whole frames and each stage\n"
    "over frames 0-1823 by default; --repeat N draws each frame N times and keeps the\n"
    "fastest, which filters out other processes' bursts. --export-assets writes the embedded model.3ds, band.bmp and\n"
    "face_classes.bin.\n";

namespace {

bool ParseNumber(const std::string& text, uint32_t& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseScreen(const std::string& text, ToolOptions& options, std::string& error) {
    const size_t x = text.find('x');
    uint32_t width = 0, height = 0;
    if (x == std::string::npos || !ParseNumber(text.substr(0, x), width) ||
        !ParseNumber(text.substr(x + 1), height)) {
        error = "--screen takes WxH, for example 1920x1080, not '" + text + "'";
        return false;
    }
    if (width < MinScreenSize || height < MinScreenSize || width > MaxScreenSize || height > MaxScreenSize) {
        error = "--screen sizes must lie between " + std::to_string(MinScreenSize) + " and " +
                std::to_string(MaxScreenSize) + ", not '" + text + "'";
        return false;
    }
    options.screenWidth = static_cast<int>(width);
    options.screenHeight = static_cast<int>(height);
    return true;
}

bool ParseFrames(const std::string& text, ToolOptions& options, std::string& error) {
    const size_t dash = text.find('-');
    uint32_t first = 0, last = 0;
    bool ok = dash == std::string::npos
                  ? ParseNumber(text, first) && (last = first, true)
                  : ParseNumber(text.substr(0, dash), first) && ParseNumber(text.substr(dash + 1), last);
    if (!ok) {
        error = "--frames takes K or A-B with whole numbers, not '" + text + "'";
        return false;
    }
    if (first > last || last > MaxFrameNumber) {
        error = "--frames needs A <= B <= " + std::to_string(MaxFrameNumber) + ", not '" + text + "'";
        return false;
    }
    options.firstFrame = first;
    options.lastFrame = last;
    options.framesGiven = true;
    return true;
}

}  // namespace

bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& error) {
    bool bench = false, formatGiven = false, outGiven = false, exportGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.mode = ToolMode::Help;
            return true;
        } else if (arg == "--bench") {
            bench = true;
        } else if (arg == "--export-assets") {
            if (!value(options.exportDir)) return false;
            exportGiven = true;
        } else if (arg == "--screen") {
            if (!value(text) || !ParseScreen(text, options, error)) return false;
        } else if (arg == "--frames") {
            if (!value(text) || !ParseFrames(text, options, error)) return false;
        } else if (arg == "--format") {
            if (!value(text)) return false;
            if (text != "png" && text != "ppm") {
                error = "--format takes png or ppm, not '" + text + "'";
                return false;
            }
            options.format = text == "png" ? ImageFormat::Png : ImageFormat::Ppm;
            formatGiven = true;
        } else if (arg == "--repeat") {
            uint32_t repeat = 0;
            if (!value(text)) return false;
            if (!ParseNumber(text, repeat) || repeat < 1 || repeat > MaxBenchRepeat) {
                error = "--repeat takes a count from 1 to " + std::to_string(MaxBenchRepeat) + ", not '" + text + "'";
                return false;
            }
            options.repeat = repeat;
            options.repeatGiven = true;
        } else if (arg == "--out") {
            if (!value(options.outDir)) return false;
            outGiven = true;
        } else {
            error = "unknown argument '" + arg + "'";
            return false;
        }
    }
    if (options.repeatGiven && !bench) {
        error = "--repeat applies to --bench only";
        return false;
    }
    if (exportGiven) {
        if (bench || formatGiven || outGiven || options.framesGiven || args.size() != 2) {
            error = "--export-assets DIR takes no other options";
            return false;
        }
        if (options.exportDir.empty()) {
            error = "--export-assets needs a directory";
            return false;
        }
        options.mode = ToolMode::ExportAssets;
        return true;
    }
    if (bench) {
        if (formatGiven || outGiven) {
            error = "--bench writes no frames: --format and --out do not apply";
            return false;
        }
        options.mode = ToolMode::Bench;
        if (!options.framesGiven) options.lastFrame = BenchDefaultLastFrame;
    }
    return true;
}
