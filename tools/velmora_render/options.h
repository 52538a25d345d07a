// The command line of velmora-render: the options read one by one, then the
// rules between them (option_values.h, option_rules.h).
#pragma once
#include <string>
#include <vector>

#include "tools/velmora_render/tool_options.h"

// Parses argv[1..]; on failure returns false with a one-line reason in error.
bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& error);

extern const char* const ToolUsage;
