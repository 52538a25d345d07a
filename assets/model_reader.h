// Reads a model stream in a small subset of the 3DS chunk format (the
// embedded model, or a user's file) into flat vertex and face arrays, and
// checks a stream before it is read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/types.h"

struct ModelCounts {
    uint16_t vertexCount;
    uint16_t faceCount;
};

// Walks the chunk stream and concatenates every object's vertex list into
// vertices and its face list into faces, each face index offset by the
// vertices of the objects before it. The word after the last vertex is set
// to 0xFFFFFFFF. Returns the totals. When faceObjects is given, face i's entry
// is the number of the object it came from, counting only the objects that
// have faces (0 for the first).
//
// A stream that does not start with the main chunk id gives (0, 0) and
// writes nothing. The walk never reads past min(streamSize, main chunk
// length) and never loops. Searches for an object's mesh stay inside the
// object, and for the mesh's lists inside the mesh, wherever those chunks'
// lengths say where they end (a length of 0 says nothing, and the search goes
// on through the stream). An object without a mesh (a camera, a light) is
// passed over. The walk ends at the first object that is cut short, lacks a
// list, names a vertex outside its own vertex list, or would take the totals
// past MaxModelVertices or MaxModelFaces, and returns the totals of the
// complete objects before it. vertices needs room for MaxModelVertices + 1
// records, faces (and faceObjects) for MaxModelFaces.
ModelCounts ReadModel(const uint8_t* stream, size_t streamSize, Vec3* vertices, Face* faces,
                      uint16_t* faceObjects = nullptr);

// What CheckModel found: the totals over every object, and, when the stream
// cannot be drawn whole, what is wrong with it.
struct ModelCheck {
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
    std::string problem;  // empty when the whole model can be drawn
};

// Walks the stream as ReadModel does, writing nothing, and says what would
// keep any part of the model from being drawn: a stream that is empty, not a
// 3DS model, damaged or cut short; an object whose mesh lacks a list, names
// a vertex it does not have or holds a coordinate that is not a finite
// number; more than MaxModelVertices vertices or MaxModelFaces faces in all;
// no face at all; all vertices at one point. When the problem is empty,
// ReadModel reads every object of the stream and returns these totals.
ModelCheck CheckModel(const uint8_t* stream, size_t streamSize);
