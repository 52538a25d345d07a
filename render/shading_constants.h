// The constants of the per-pixel arithmetic: the front-surface window, the
// bump, the texture clamps, the light clamp and the class colour row of the
// translucent faces.
#pragma once
#include <cstdint>

#include "core/types.h"

// Half-width, in depth units, of the window in which a pixel counts as the
// front surface: depth rounding differs between the exact pre-pass and the
// estimated shading pass.
constexpr float FrontTolerance = 1.1f;
// Scale of the height-map gradient added to the normal's x and y.
constexpr float BumpScale = 0.023f;
constexpr float TexCoordMax = 124.0f;  // keeps bilinear reads inside the map
constexpr float BumpCoordMin = 2.0f;   // keeps the bump's neighbour reads inside the map
constexpr float ChannelMax = 255.0f;   // light sum clamp per channel

// The texture sample's lower clamp: the largest float below 1 in magnitude, so
// that coordinates that undershoot 0 by rounding sample as the stepping gave
// them (truncation to texel 0, a slightly negative fraction), while nothing
// can ever index before texel 0.
constexpr float TexCoordMin = -0.99999994f;

// The class colour index of translucent faces: textured, bumped, added.
constexpr uint32_t TranslucentColorIndex = ClassColorIndexOf(TranslucentFaceClass);
