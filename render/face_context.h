// A face as the shading pass receives it: its three vertices, and what every
// span of it is drawn with (the band, the buffers, the maps, the lights and
// the face's class colour).
#pragma once
#include <cstdint>

#include "core/types.h"

// One vertex of a face as the band worker hands it on.
struct ShadeVertex {
    int16_t x, y;     // screen point (whole pixels)
    uint16_t u, v;    // texture coordinate in texels (0..128 for the prepared model)
    float depth;      // smaller is nearer
    Vec4 normal;      // rotated vertex normal, fourth lane 0
};

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
    // The lights broadcast for the lane lighting, built once per band by the
    // band worker; every lighting call reads them.
    const LaneLights* lights = nullptr;
};
