// Start-up preparation of the model read from the embedded stream: centring
// and scaling, texture coordinates, face normals and vertex normals. Each
// routine runs once, in the order declared here. A count of 0 does nothing.
// Vec3 arrays that are read or written need 4 readable bytes after the last
// element used (vector loads take four lanes).
#pragma once
#include <cstdint>

#include "core/types.h"

// Centres the first count vertices on the middle of their bounding box and
// scales them by the reciprocal (estimate, or exact in portable mode) of the largest centred value,
// so that the widest axis spans about -1..1. A model with no extent gets NaN.
void NormalizeModel(Vec3* vertices, uint16_t count);

// Projects each vertex along z onto the texture: u = x*64+64, v = y*64+64,
// rounded to nearest even and saturated to 16 bits.
void ComputeTexCoords(const Vec3* vertices, uint16_t count, TexCoord* out);

// out[f] = the normalised (b - a) x (c - b) of face f. A face of zero area
// gets NaN.
void ComputeFaceNormals(const Face* faces, uint16_t faceCount, const Vec3* vertices, Vec3* out);

// out[v] = the normalised sum, in face order, of the normals of the faces that
// name vertex v (each face once). A vertex used by no face gets NaN. At most
// MaxModelVertices vertices and MaxModelFaces faces.
void ComputeVertexNormals(const Face* faces, uint16_t faceCount, const Vec3* faceNormals,
                          uint16_t vertexCount, Vec3* out);
