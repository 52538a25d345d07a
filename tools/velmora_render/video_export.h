// velmora-render --video: the demo's frames as one H.264 MP4 file.
#pragma once
#include "tools/velmora_render/options.h"

// Draws frames options.firstFrame..lastFrame of the open headless scene and
// encodes them into options.videoPath at options.videoFps. Shows a progress
// bar when stderr is a terminal and prints one summary line. Returns the
// process exit code: 0, 1 on failure, 128 + the signal when interrupted; on
// any failure no file is left behind.
int RenderVideo(const ToolOptions& options);
