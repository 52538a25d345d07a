// The three lights and the nine class colours of the span shader, and the
// lights as the lane lighting reads them.
#pragma once
#include "core/types.h"

struct Light {
    Vec4 direction;  // towards the light, in the space of the rotated normals
    Vec4 diffuse;    // blue, green, red, 0; scaled by max(N.L, 0)
    Vec4 ambient;    // added unscaled
    Vec4 specular;   // scaled by (N.L)^16
};
static_assert(sizeof(Light) == 64);

constexpr int LightCount = 3;
constexpr int ClassColorCount = 9;

// Directions are stored unnormalised; NormalizeLights makes them unit vectors.
extern Light LightTable[LightCount];
extern const Vec4 ClassColorTable[ClassColorCount];

// Normalises the direction of count lights in place (the reciprocal square
// root of the current arithmetic mode: the estimate, or exact when portable).
void NormalizeLights(Light* lights, int count);

// The table as the program stores it, before normalisation (for tests and resets).
void ResetLightTable();

constexpr int ColourChannels = 3;  // blue, green, red

// The light table, each value stored eight times so that four or eight lanes
// take it with one aligned load (folded into the arithmetic that uses it).
// Each band worker builds it once.
constexpr int MaxLanes = 8;
using LaneConstant = float[MaxLanes];
struct alignas(32) LaneLights {
    alignas(32) LaneConstant directionX[LightCount], directionY[LightCount], directionZ[LightCount];
    alignas(32) LaneConstant diffuse[LightCount][ColourChannels];
    alignas(32) LaneConstant ambient[LightCount][ColourChannels];
    alignas(32) LaneConstant specular[LightCount][ColourChannels];
};

// Every value stored eight times. Always inlined: the AVX2 file uses it too
// (see core/simd.h).
[[gnu::always_inline]] inline void Splat(LaneConstant& out, float value) {
    for (float& lane : out) lane = value;
}

// LightTable as it stands, into lights.
void SplatLights(LaneLights& lights);
