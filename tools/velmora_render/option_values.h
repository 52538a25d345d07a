// The values of velmora-render's options, each read from its text: screen
// sizes, frame ranges, counts and file names. Each reader says in error what
// it expected when the text is not that.
#pragma once
#include <cstdint>
#include <string>

#include "tools/velmora_render/tool_options.h"

// --screen WxH, within MinScreenSize..MaxScreenSize.
bool ParseScreen(const std::string& text, ToolOptions& options, std::string& error);

// --frames K or A-B, A <= B.
bool ParseFrames(const std::string& text, ToolOptions& options, std::string& error);

// --fps N, within MinVideoFps..MaxVideoFps.
bool ParseFps(const std::string& text, ToolOptions& options, std::string& error);

// --repeat N, within 1..MaxBenchRepeat.
bool ParseRepeat(const std::string& text, ToolOptions& options, std::string& error);

// --format png|ppm.
bool ParseFormat(const std::string& text, ToolOptions& options, std::string& error);

// True when path ends in .mp4, in any case, after at least one other character.
bool HasMp4Extension(const std::string& path);
