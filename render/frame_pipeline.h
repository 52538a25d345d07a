// One frame, from the buffer clears to the join of the band workers.
#pragma once
#include <cmath>
#include <cstdint>

#include "core/types.h"

// The depth buffers' clear value: the float nearest to 60000.1, farther than
// any depth the scene produces.
constexpr float DepthClearValue = 60000.1f;
static_assert(DepthClearValue == 60000.1015625f);

// Draws one complete frame into Scene.colorBuffer: PrepareFrame, then the two
// band workers. Returns when every pixel is final.
void RenderFrame();

// Everything before the band workers, on the calling thread:
// ClearBuffers, TransformModel, DrawPrepass.
void PrepareFrame();

// Colour to black, both depth buffers to DepthClearValue.
void ClearBuffers();

// This frame's rotation of positions and normals, the zoom step and the
// mapping of ScreenVertices to column, row and depth.
void TransformModel();

// Writes value into the first 4 * (count / 4) words of a 16-byte aligned buffer.
void FillDwords(uint32_t value, uint32_t count, void* destination);

// The same with streaming (non-temporal) stores, for buffers much larger than
// the caches that are not read again soon.
void StreamDwords(uint32_t value, uint32_t count, void* destination);

// Sets Scene.rotation to (cos a, sin a, -cos a, -sin a) for a = counter * angle step.
void ComputeRotation();

// Applies the frame's rotation to count Vec3 (x' = x s + z c, y' = y, z' = x c - z s).
void RotateVectors(const Vec3* source, Vec3* destination, uint32_t count);

// One step of the zoom animation (turns at counter 912 and 0).
void StepZoom();

// Maps the rotated positions in ScreenVertices to column, row and depth in place.
void MapToScreen();

// The screen point of a ScreenVertices entry: column and row rounded to
// nearest even and saturated to signed 16 bits (NaN and |v| >= 2^31 give -32768).
struct ScreenPoint {
    int16_t x, y;
};
ScreenPoint ToScreenPoint(const Vec3& v);

// False for a vertex whose column or row is NaN or infinite (a degenerate
// model's): it has no place on the screen, and its saturated screen point
// (-32768 or 32767) would make its faces walk tens of thousands of rows
// outside the screen in every pass. Faces with such a corner are not drawn.
// Finite columns and rows keep the saturation rule.
inline bool HasScreenPosition(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y); }
