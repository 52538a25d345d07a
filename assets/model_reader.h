// Reads the embedded model, a stream in a small subset of the 3DS chunk
// format, into flat vertex and face arrays.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/types.h"

struct ModelCounts {
    uint16_t vertexCount;
    uint16_t faceCount;
};

// Walks the chunk stream and concatenates every object's vertex list into
// vertices and its face list into faces, each face index offset by the
// vertices of the objects before it. The word after the last vertex is set
// to 0xFFFFFFFF. Returns the totals.
//
// A stream that does not start with the main chunk id gives (0, 0) and
// writes nothing. The walk never reads past min(streamSize, main chunk
// length) and never loops: it ends at the first object that is truncated,
// names a vertex outside its own vertex list, or would take the totals past
// MaxModelVertices or MaxModelFaces, and returns the totals of the complete
// objects before it. vertices needs room for MaxModelVertices + 1 records,
// faces for MaxModelFaces.
ModelCounts ReadModel(const uint8_t* stream, size_t streamSize, Vec3* vertices, Face* faces);
