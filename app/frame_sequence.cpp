#include "app/frame_sequence.h"

#include "core/scene_state.h"
#include "render/model_transform.h"

void AdvanceFrame() { Scene.frameCounter = (Scene.frameCounter + 1) & FrameCounterMask; }

void ResetZoom() {
    const SceneState start = InitialSceneState();
    Scene.zoomDirection = start.zoomDirection;
    Scene.zoomStepCounter = start.zoomStepCounter;
    Scene.zoomScale = static_cast<float>(Scene.height / 4);
}

void SeekFrame(uint32_t frame) {
    Scene.frameCounter = frame & FrameCounterMask;
    ResetZoom();
    // The zoom scale is a product of rounded steps, so it is stepped, never
    // computed in one go: only then is it the demo's value to the bit.
    for (uint32_t i = 0; i < frame; ++i) StepZoom();
}
