// How the demo moves from one frame to the next, and how any frame of its
// sequence is reached directly. The demo loop, the headless tool, the bench
// and the tests all go through these, so every one of them draws the same
// frame K.
#pragma once
#include <cstdint>

#include "render/frame_pipeline.h"

// After a frame is drawn: the frame counter moves on, modulo 512. (The zoom
// steps inside RenderFrame, just before the vertices are mapped.)
void AdvanceFrame();

// The zoom as start-up leaves it: at the start of its swing, growing, at
// height / 4 pixels per model unit.
void ResetZoom();

// Sets the frame counter to frame mod 512 and the zoom to its state after
// `frame` steps, so that the next RenderFrame draws the demo's frame `frame`
// (the first frame the demo draws is frame 0).
void SeekFrame(uint32_t frame);

// The frames first..last, drawn one after another exactly as the demo draws
// them: seeks to `first`, then for each frame draws it into Scene.colorBuffer,
// advances, and calls use(frame). Stops early, returning false, when use
// returns false; true after `last`.
template <typename UseFrame>
bool WalkFrames(uint32_t first, uint32_t last, UseFrame&& use) {
    SeekFrame(first);
    for (uint32_t frame = first;; ++frame) {
        RenderFrame();
        AdvanceFrame();
        if (!use(frame)) return false;
        if (frame == last) return true;
    }
}
