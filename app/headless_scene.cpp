#include "app/headless_scene.h"

#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif

#include "app/scene_setup.h"
#include "core/scene_state.h"

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
    if (!AllocateSceneBuffers(AllocateBuffer)) {
        CloseHeadlessScene();
        return false;
    }
    PrepareScene();
    return true;
}
