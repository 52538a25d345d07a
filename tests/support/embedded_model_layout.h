// The embedded model stream's fixed layout: its counts, and where its vertex
// records and face list stand (the chunk headers before them have no names or
// optional chunks, so the offsets never move).
#pragma once
#include <cstddef>

constexpr int EmbeddedVertexCount = 1052;
constexpr int EmbeddedFaceCount = 1932;
constexpr size_t VertexDataOffset = 33;   // 12 bytes per vertex, x, y, z
constexpr size_t FaceListOffset = 12657;  // the face list chunk's header
constexpr size_t FaceDataOffset = 12665;  // 8 bytes per face: a, b, c, flags
