// What every span of one face is drawn with: the band, the buffers, the maps
// and the face's class colour.
#pragma once
#include <cstdint>

#include "core/types.h"

struct LaneLights;

struct FaceContext {
    BandRect band;
    uint32_t width;              // pixels per row of all three buffers
    const float* prepassDepth;
    uint32_t classColorIndex;    // FaceClass - 1: 0 translucent, 1..8 opaque
    const uint8_t* heightMap;
    uint32_t* colorBuffer;
    float* shadeDepth;
    const uint32_t* texture;
    // The lights broadcast for the lane lighting, built once per band; when
    // null, each lighting call builds its own.
    const LaneLights* lights = nullptr;
};
