// The demo's frames first..last, drawn one after another exactly as the demo
// draws them: every output of the tool (image files, video) walks them here,
// so a frame in a video is the same frame --frames writes.
#pragma once
#include <cstdint>

#include "app/scene_state.h"
#include "platform/headless/headless_scene.h"
#include "render/frame_pipeline.h"

// Seeks to `first`, then for each frame draws it into Scene.colorBuffer,
// advances the frame counter as the demo's loop does, and calls use(frame).
// Stops early, returning false, when use returns false; true after `last`.
template <typename UseFrame>
bool WalkFrames(uint32_t first, uint32_t last, UseFrame&& use) {
    SeekFrame(first);
    for (uint32_t frame = first;; ++frame) {
        RenderFrame();
        Scene.frameCounter = (Scene.frameCounter + 1) & FrameCounterMask;
        if (!use(frame)) return false;
        if (frame == last) return true;
    }
}
