// The per-pixel span shader: depth test, front-surface test, bump, lighting,
// texture, class tint and store.
#pragma once
#include <cstdint>

#include "core/types.h"
#include "render/scan_convert.h"

// Half-width, in depth units, of the window in which a pixel counts as the
// front surface: depth rounding differs between the exact pre-pass and the
// estimated shading pass.
constexpr float FrontTolerance = 1.1f;
// Scale of the height-map gradient added to the normal's x and y.
constexpr float BumpScale = 0.023f;
constexpr float TexCoordMax = 124.0f;  // keeps bilinear reads inside the map
constexpr float BumpCoordMin = 2.0f;   // keeps the bump's neighbour reads inside the map
constexpr float ChannelMax = 255.0f;   // light sum clamp per channel

// Shades the pixels of one row between two span ends (in either order), clipped
// to the band: columns from the smaller x (included) to the larger (excluded).
void ShadeSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context);
