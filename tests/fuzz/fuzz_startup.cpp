// libFuzzer target for the whole start-up on a hostile model: arbitrary bytes
// go through the reader and the mesh preparation as the embedded model does,
// and then one frame is drawn by the two band workers at a small screen. A
// model that reads cleanly but is degenerate (all vertices equal, faces of no
// area, huge, infinite or NaN coordinates, no faces) must not make any of it
// read or write out of bounds, trip the undefined-behaviour checks or hang
// (libFuzzer's -timeout catches a frame that does not end). The bytes are
// then taken as a user's model, checked and, if the check passes, drawn.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/scene_files.h"
#include "app/scene_setup.h"
#include "core/scene_state.h"
#include "render/frame_pipeline.h"

namespace {

// A 64 x 48 picture: the frame stays cheap, both bands have rows, and most of
// a face's rows and columns fall outside the screen.
constexpr int ScreenWidth = 74;
constexpr int ScreenHeight = 58;
constexpr size_t BufferBytes = size_t{64} * 48 * 4;

// Allocated once, exactly as large as the frame may touch, so that the
// address sanitizer sees a write past the last row.
void* ExactBuffer() {
    constexpr size_t Alignment = 16;  // the clears store 16 bytes at a time
    static_assert(BufferBytes % Alignment == 0);
    return std::aligned_alloc(Alignment, BufferBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static uint32_t* const colour = static_cast<uint32_t*>(ExactBuffer());
    static float* const shade = static_cast<float*>(ExactBuffer());
    static float* const prepass = static_cast<float*>(ExactBuffer());

    // Every input starts from the state the program starts with.
    Scene = InitialSceneState();
    SetSceneSize(ScreenWidth, ScreenHeight);
    if (size_t{Scene.width} * Scene.height * 4 != BufferBytes) __builtin_trap();
    Scene.colorBuffer = colour;
    Scene.shadeDepth = shade;
    Scene.prepassDepth = prepass;

    PrepareSceneFromModel(data, size);
    RenderFrame();

    // The same bytes as a user's model: when the check takes them, the whole
    // model is installed, each object in its colour, and drawn too.
    SceneFiles files;
    files.model = SceneFile{true, "fuzz.3ds", data, size};
    std::string error;
    if (InstallScene(files, error)) RenderFrame();
    return 0;
}
