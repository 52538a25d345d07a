// The scene a run of velmora-render (or of the instruction-count program,
// which takes its command line) draws: the buffers for its screen, the
// arithmetic it asks for, and the user's files in place of the embedded ones.
#pragma once
#include "tools/velmora_render/options.h"

// Reads and checks the scene files first, so that a file that cannot be used
// stops the run before anything is allocated, drawn or written; then opens
// the headless scene and installs them. On failure prints one line,
// "<program>: <what is wrong>", and returns false with nothing left open.
bool OpenToolScene(const ToolOptions& options, const char* program);
