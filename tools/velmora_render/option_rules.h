// The rules between velmora-render's options: which of them combine, the mode
// they make together, and the defaults that depend on that mode. Reading each
// option's value is options.cpp's; deciding what the set of them means is here.
#pragma once
#include <cstddef>
#include <string>

#include "tools/velmora_render/tool_options.h"

// The command line as read: every value in place, and which options appeared.
struct GivenOptions {
    ToolOptions values;
    size_t argumentCount = 0;  // words on the command line, values included
    bool help = false, version = false;
    bool bench = false, soak = false, video = false, exportAssets = false, icon = false;
    bool frames = false, format = false, out = false, fps = false, repeat = false, csv = false;
    bool screen = false, portable = false, buffers = false, sceneFile = false;
};

// Decides the mode and fills options from given; false, with the one rule that
// is broken in error, when the options do not go together.
bool ApplyOptionRules(const GivenOptions& given, ToolOptions& options, std::string& error);
