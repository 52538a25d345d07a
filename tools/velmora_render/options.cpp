#include "tools/velmora_render/options.h"

#include <charconv>

#include "app/headless_scene.h"

const char* const ToolUsage =
    "usage: velmora-render [--portable] [--screen WxH] [--frames K | A-B] [--format png|ppm] [--out DIR] [--buffers]\n"
    "       velmora-render --video FILE.mp4 [--portable] [--frames A-B] [--screen WxH] [--fps N]\n"
    "       velmora-render --bench [--portable] [--screen WxH] [--frames A-B] [--repeat N] [--csv FILE]\n"
    "       velmora-render --soak [--portable] [--screen WxH] [--frames A-B]\n"
    "       velmora-render --export-assets DIR\n"
    "       velmora-render --icon DIR\n"
    "       velmora-render --help | --version\n"
    "Renders the demo's frames without a window. Frame K is the K-th frame the demo draws\n"
    "(frame 0 first), written as DIR/frame_NNNNNN.png or .ppm (seven digits and more from\n"
    "frame 1000000 on). The picture is the window's client area for that screen: (W-10) x\n"
    "(H-10), each rounded down to even; default screen 1920x1080, frame 0, png, the current\n"
    "directory. --buffers also writes pictures of what each frame left in its buffers beside\n"
    "it: frame_NNNNNN_prepass_depth, _shade_depth, _faces, _front_surface, _overdraw and\n"
    "_bands.png. Ctrl-C stops a run after the frame in hand. --video writes the frames as one\n"
    "H.264 MP4 file, frames 0-1823 (the whole zoom swing) at 60 frames per second by default.\n"
    "--bench times whole frames and each stage over frames 0-1823 by default; --repeat N draws\n"
    "each frame N times and keeps the fastest, which filters out other processes' bursts;\n"
    "--csv FILE writes each frame's stage times (ms), one line a frame. --soak draws\n"
    "frames (0-19999 by default) without writing them and prints the process's resident\n"
    "memory, open files and threads every 1000 frames. --export-assets writes the embedded\n"
    "model.3ds, band.bmp and face_classes.bin. --icon writes the program's icon, frame 384\n"
    "in portable mode cropped square around the set, as velmora-48.png, -64, -128, -256 and\n"
    "velmora.ico. --portable computes exact reciprocals and\n"
    "reciprocal square roots in place of the processor's fast estimates, so that frames are\n"
    "identical on every processor and in the browser.\n";

namespace {

enum class Number { Valid, Malformed, TooLarge };

// Plain decimal digits only: no sign, no spaces, no base prefix.
Number ParseNumber(const std::string& text, uint32_t& value) {
    if (text.empty()) return Number::Malformed;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ptr != end) return Number::Malformed;
    if (ec == std::errc::result_out_of_range) return Number::TooLarge;
    return ec == std::errc() ? Number::Valid : Number::Malformed;
}

bool ParseScreen(const std::string& text, ToolOptions& options, std::string& error) {
    const size_t x = text.find('x');
    uint32_t width = 0, height = 0;
    const Number w = x == std::string::npos ? Number::Malformed : ParseNumber(text.substr(0, x), width);
    const Number h = x == std::string::npos ? Number::Malformed : ParseNumber(text.substr(x + 1), height);
    if (w == Number::Malformed || h == Number::Malformed) {
        error = "--screen takes WxH, for example 1920x1080, not '" + text + "'";
        return false;
    }
    if (w == Number::TooLarge || h == Number::TooLarge || width < MinScreenSize || height < MinScreenSize ||
        width > MaxScreenSize || height > MaxScreenSize) {
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
    const Number a = ParseNumber(text.substr(0, dash), first);
    const Number b = dash == std::string::npos ? a : ParseNumber(text.substr(dash + 1), last);
    if (dash == std::string::npos) last = first;
    if (a == Number::Malformed || b == Number::Malformed) {
        error = "--frames takes K or A-B with whole numbers, not '" + text + "'";
        return false;
    }
    if (a == Number::TooLarge || b == Number::TooLarge) {
        error = "--frames numbers must not exceed " + std::to_string(MaxFrameNumber) + ", not '" + text + "'";
        return false;
    }
    if (first > last) {
        error = "--frames needs A <= B, not '" + text + "'";
        return false;
    }
    options.firstFrame = first;
    options.lastFrame = last;
    options.framesGiven = true;
    return true;
}

bool HasMp4Extension(const std::string& path) {
    constexpr char Extension[] = ".mp4";
    constexpr size_t Length = sizeof Extension - 1;
    if (path.size() <= Length) return false;
    for (size_t i = 0; i < Length; ++i) {
        const char c = path[path.size() - Length + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != Extension[i]) return false;
    }
    return true;
}

bool ParseFps(const std::string& text, ToolOptions& options, std::string& error) {
    uint32_t fps = 0;
    if (ParseNumber(text, fps) != Number::Valid || fps < MinVideoFps || fps > MaxVideoFps) {
        error = "--fps takes a whole number from " + std::to_string(MinVideoFps) + " to " +
                std::to_string(MaxVideoFps) + ", not '" + text + "'";
        return false;
    }
    options.videoFps = fps;
    return true;
}

}  // namespace

bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& error) {
    bool bench = false, soak = false, formatGiven = false, outGiven = false, exportGiven = false,
         videoGiven = false, fpsGiven = false, iconGiven = false;
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
        } else if (arg == "--version") {
            options.mode = ToolMode::Version;
            return true;
        } else if (arg == "--video") {
            if (!value(options.videoPath)) return false;
            videoGiven = true;
        } else if (arg == "--fps") {
            if (!value(text) || !ParseFps(text, options, error)) return false;
            fpsGiven = true;
        } else if (arg == "--bench") {
            bench = true;
        } else if (arg == "--portable") {
            options.portable = true;
        } else if (arg == "--soak") {
            soak = true;
        } else if (arg == "--export-assets") {
            if (!value(options.exportDir)) return false;
            exportGiven = true;
        } else if (arg == "--icon") {
            if (!value(options.iconDir)) return false;
            iconGiven = true;
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
            if (ParseNumber(text, repeat) != Number::Valid || repeat < 1 || repeat > MaxBenchRepeat) {
                error = "--repeat takes a count from 1 to " + std::to_string(MaxBenchRepeat) + ", not '" + text + "'";
                return false;
            }
            options.repeat = repeat;
            options.repeatGiven = true;
        } else if (arg == "--buffers") {
            options.buffers = true;
        } else if (arg == "--csv") {
            if (!value(options.csvPath)) return false;
        } else if (arg == "--out") {
            if (!value(options.outDir)) return false;
            outGiven = true;
        } else {
            error = "unknown argument '" + arg + "'";
            return false;
        }
    }
    if ((options.repeatGiven || !options.csvPath.empty()) && !bench) {
        error = std::string(options.repeatGiven ? "--repeat" : "--csv") + " applies to --bench only";
        return false;
    }
    if (options.buffers && (bench || soak || videoGiven || exportGiven)) {
        error = "--buffers writes pictures beside frame images: --bench, --soak, --video and --export-assets do not apply";
        return false;
    }
    // The icon is one fixed frame: nothing about it is chosen on the command line.
    if (iconGiven) {
        if (args.size() != 2 || options.iconDir.empty()) {
            error = "--icon DIR takes a directory and no other options";
            return false;
        }
        options.mode = ToolMode::Icon;
        return true;
    }
    if (exportGiven) {
        if (bench || soak || formatGiven || outGiven || options.framesGiven || args.size() != 2) {
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
    if (fpsGiven && !videoGiven) {
        error = "--fps applies to --video only";
        return false;
    }
    if (videoGiven) {
        if (bench || soak || formatGiven || outGiven) {
            error = "--video writes one MP4 file: --bench, --soak, --format and --out do not apply";
            return false;
        }
        // MP4 is the one container written; another extension would mislead.
        if (!HasMp4Extension(options.videoPath)) {
            error = "--video writes MP4 only: the file name must end in .mp4, not '" + options.videoPath + "'";
            return false;
        }
        options.mode = ToolMode::Video;
        if (!options.framesGiven) options.lastFrame = VideoDefaultLastFrame;
        return true;
    }
    if (bench && soak) {
        error = "--bench and --soak cannot be combined";
        return false;
    }
    if (bench || soak) {
        if (formatGiven || outGiven) {
            error = std::string(bench ? "--bench" : "--soak") + " writes no frames: --format and --out do not apply";
            return false;
        }
        options.mode = bench ? ToolMode::Bench : ToolMode::Soak;
        if (!options.framesGiven) options.lastFrame = bench ? BenchDefaultLastFrame : SoakDefaultLastFrame;
    }
    return true;
}
