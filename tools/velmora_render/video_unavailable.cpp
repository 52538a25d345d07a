// RenderVideo in a build configured without FFmpeg's libraries: says so.
#include <cstdio>

#include "tools/velmora_render/video_export.h"

int RenderVideo(const ToolOptions&) {
    std::fprintf(stderr,
                 "velmora-render: this build cannot write video: FFmpeg's libraries (libavcodec, libavformat, "
                 "libswscale, libavutil) were not found when it was configured\n");
    return 1;
}
