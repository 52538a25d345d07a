// RenderVideo in a build configured without FFmpeg's libraries: says so.
#include <cstdio>

#include "tools/velmora_render/video_export.h"

int RenderVideo(const ToolOptions&) {
    std::fprintf(stderr,
                 "velmora-render: this build cannot write video: it was configured without FFmpeg's libraries "
                 "(libavcodec, libavformat, libswscale, libavutil)\n");
    return 1;
}
