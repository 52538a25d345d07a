// The first steps of every frame: the buffers cleared, the model turned and
// zoomed, and its vertices mapped to the screen.
#pragma once
#include <cstdint>

#include "core/types.h"

// The depth buffers' clear value: the float nearest to 60000.1, farther than
// any depth the scene produces.
constexpr float DepthClearValue = 60000.1f;
static_assert(DepthClearValue == 60000.1015625f);

// PrepassDepth to DepthClearValue: the main thread's clear, before the pre-pass.
void ClearPrepassDepth();

// The rows of one band (0 = top half, 1 = bottom half) of ColorBuffer to black
// and of ShadeDepth to DepthClearValue: each band worker clears its own rows.
void ClearBandRows(int band);

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
