#include "tools/velmora_render/option_values.h"

#include <charconv>

#include "app/headless_scene.h"

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

}  // namespace

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

bool ParseRepeat(const std::string& text, ToolOptions& options, std::string& error) {
    uint32_t repeat = 0;
    if (ParseNumber(text, repeat) != Number::Valid || repeat < 1 || repeat > MaxBenchRepeat) {
        error = "--repeat takes a count from 1 to " + std::to_string(MaxBenchRepeat) + ", not '" + text + "'";
        return false;
    }
    options.repeat = repeat;
    return true;
}

bool ParseFormat(const std::string& text, ToolOptions& options, std::string& error) {
    if (text != "png" && text != "ppm") {
        error = "--format takes png or ppm, not '" + text + "'";
        return false;
    }
    options.format = text == "png" ? ImageFormat::Png : ImageFormat::Ppm;
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
