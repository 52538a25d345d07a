// SceneState: the one record of settings, counters, sizes and buffers shared by
// start-up, the frame loop and the renderer. Window handles live in the
// platform backend that owns the window.
#pragma once
#include <cstdint>

struct SceneState {
    // Frame loop.
    uint32_t frameCounter;  // 0..511, advanced after each frame
    uint8_t fullSpeed;      // 1 = no pause between frames, 0 = 3 ms pause
    uint16_t width, height;          // client area and buffer size, both even
    uint16_t halfWidth, halfHeight;  // screen centre
    uint16_t vertexCount, faceCount;
    uint32_t* colorBuffer;  // width * height pixels 0x00RRGGBB, rows top to bottom
    float* shadeDepth;      // nearest opaque depth drawn so far
    float* prepassDepth;    // nearest depth of any face

    // Frame pipeline.
    float angleStep;                  // radians per frame, a little under 2*pi/512
    alignas(16) float rotation[4];    // cos a, sin a, -cos a, -sin a of this frame
    uint8_t zoomDirection;            // 0 = growing, 1 = shrinking
    uint16_t zoomStepCounter;         // position in the zoom swing, 0..912
    float zoomGrowFactor;
    float zoomShrinkFactor;
    float zoomScale;                  // pixels per model unit

    // Band workers.
    int32_t otherClassPass;  // pass number of the faces whose class is not 1
};

// The initial values the program starts with.
constexpr float AngleStep = 0.01227f;
constexpr float ZoomGrowFactor = 1.0017f;
constexpr float ZoomShrinkFactor = 0.9983029f;
constexpr uint16_t ZoomStartCounter = 350;
constexpr uint16_t ZoomTurnCounter = 912;  // the counter at which growing turns to shrinking
constexpr uint32_t FrameCounterMask = 0x1FF;  // the frame counter runs 0..511

extern SceneState Scene;

// The values the program starts with; sizes, counts and buffers are zero
// until start-up sets them.
SceneState InitialSceneState();
