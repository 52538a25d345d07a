// The model turned and zoomed for the frame, and its vertices mapped to the
// screen.
#pragma once
#include <cstdint>

#include "core/types.h"

// This frame's rotation of positions and normals, the zoom step and the
// mapping of ScreenVertices to column, row and depth.
void TransformModel();

// Sets Scene.rotation to (cos a, sin a, -cos a, -sin a) for a = counter * angle step.
void ComputeRotation();

// Applies the frame's rotation to count Vec3 (x' = x s + z c, y' = y, z' = x c - z s).
void RotateVectors(const Vec3* source, Vec3* destination, uint32_t count);

// One step of the zoom animation (turns at counter 912 and 0).
void StepZoom();

// Maps the rotated positions in ScreenVertices to column, row and depth in place.
void MapToScreen();
