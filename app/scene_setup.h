// The start-up steps shared by the demo and the headless tool: the buffer
// sizes from the screen size, and the scene built from the embedded data.
#pragma once
#include <cstddef>
#include <cstdint>

// Client area = screen size less 10, each rounded down to even (1920x1080
// gives 1910x1070, centre 955,535). Sets width, height and the half sizes.
void SetSceneSize(int screenWidth, int screenHeight);

// ColorBuffer, then ShadeDepth, then PrepassDepth, each width x height 32-bit
// words from `allocate`. False if any of them failed (those that succeeded
// stay in Scene for the caller to release or abandon).
bool AllocateSceneBuffers(void* (*allocate)(size_t bytes));

// With the sizes and the three buffers in Scene: reads the embedded model,
// resets the zoom (height / 4), builds the texture and height map,
// normalises the lights and prepares the mesh, in that order.
void PrepareScene();

// PrepareScene with the model read from modelBytes bytes at model instead of
// the embedded stream (the fuzz target of the whole start-up uses it).
void PrepareSceneFromModel(const uint8_t* model, size_t modelBytes);
