#include "platform/headless/headless_scene.h"

#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif

#include "app/scene_setup.h"
#include "app/scene_state.h"
#include "render/frame_pipeline.h"

namespace {

// Buffers are cleared 16 bytes at a time with aligned stores; a page keeps
// them aligned like the demo's.
constexpr size_t BufferAlignment = 4096;

void* AllocateBuffer(size_t bytes) {
    const size_t rounded = (bytes + BufferAlignment - 1) / BufferAlignment * BufferAlignment;
#if defined(_WIN32)
    return _aligned_malloc(rounded, BufferAlignment);
#else
    return std::aligned_alloc(BufferAlignment, rounded);
#endif
}

void FreeBuffer(void* buffer) {
#if defined(_WIN32)
    _aligned_free(buffer);
#else
    std::free(buffer);
#endif
}

}  // namespace

void CloseHeadlessScene() {
    FreeBuffer(Scene.colorBuffer);
    FreeBuffer(Scene.shadeDepth);
    FreeBuffer(Scene.prepassDepth);
    Scene.colorBuffer = nullptr;
    Scene.shadeDepth = nullptr;
    Scene.prepassDepth = nullptr;
}

bool OpenHeadlessScene(int screenWidth, int screenHeight) {
    if (screenWidth < MinScreenSize || screenHeight < MinScreenSize || screenWidth > MaxScreenSize ||
        screenHeight > MaxScreenSize)
        return false;
    CloseHeadlessScene();
    Scene = InitialSceneState();
    SetSceneSize(screenWidth, screenHeight);
    const size_t bytes = static_cast<size_t>(Scene.width) * Scene.height * 4;
    Scene.colorBuffer = static_cast<uint32_t*>(AllocateBuffer(bytes));
    Scene.shadeDepth = static_cast<float*>(AllocateBuffer(bytes));
    Scene.prepassDepth = static_cast<float*>(AllocateBuffer(bytes));
    if (!Scene.colorBuffer || !Scene.shadeDepth || !Scene.prepassDepth) {
        CloseHeadlessScene();
        return false;
    }
    PrepareScene();
    return true;
}

void SeekFrame(uint32_t frame) {
    const SceneState start = InitialSceneState();
    Scene.frameCounter = frame & FrameCounterMask;
    Scene.zoomDirection = start.zoomDirection;
    Scene.zoomStepCounter = start.zoomStepCounter;
    Scene.zoomScale = static_cast<float>(Scene.height / 4);
    for (uint32_t i = 0; i < frame; ++i) StepZoom();
}
