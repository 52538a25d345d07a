// Writes the model as the embedded 3DS chunk stream.
#pragma once
#include <cstdint>
#include <vector>

#include "mesh_builder.h"

// Model size the stream must have: the renderer's tables are made for it.
constexpr int ModelVertexCount = 1052;
constexpr int ModelFaceCount = 1932;

// The stream: main, editor, object (empty name), mesh, vertex list and face
// list chunks; only the main chunk carries its real length. The design is
// placed into the stored box and every coordinate is rounded to 1/64 unit.
std::vector<uint8_t> EncodeModel(const Mesh& mesh);
