// velmora_count_frames: draws the frames velmora-render would draw, and
// nothing else, for bench/instruction_count.sh to count under callgrind.
// It loads no FFmpeg: velmora-render links FFmpeg's libraries whenever the
// video feature is on, and their load-time processor probes (libhwy's RDTSCP,
// pulled in by libavcodec) stop valgrind 3.19 on some processors before a
// single frame is drawn. It takes velmora-render's command line, so the
// script drives either program alike; --format and --out are accepted and
// ignored, since nothing is written.
#include <cstdio>
#include <string>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "tools/velmora_render/options.h"
#include "tools/velmora_render/tool_scene.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    ToolOptions options;
    std::string error;
    if (!ParseToolOptions(args, options, error) || options.mode != ToolMode::Render) {
        std::fprintf(stderr, "velmora_count_frames: %s\n%s", error.empty() ? "only frames are drawn here" : error.c_str(),
                     "usage: velmora_count_frames [--screen WxH] [--frames K|A-B] [--portable] [--model FILE.3ds]\n"
                     "                            [--picture FILE.bmp] [--classes FILE]\n");
        return 2;
    }
    if (!OpenToolScene(options, "velmora_count_frames")) return 1;
    WalkFrames(options.firstFrame, options.lastFrame, [](uint32_t) { return true; });
    CloseHeadlessScene();
    return 0;
}
