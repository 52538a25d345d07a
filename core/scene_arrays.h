// The static model arrays, filled once at start-up and read by every frame.
#pragma once
#include "core/types.h"

// The model limits: a face names its vertices with 16-bit indices and the
// scene keeps 16-bit counts, so a model has at most 65535 vertices and 65535
// faces, the most a 3DS list can hold. Every array has room for that much.
constexpr int MaxModelVertices = 65535;
constexpr int MaxModelFaces = 65535;

// One element more than the limit gives every Vec3 array the readable spare
// word that four-lane loads of its last element touch.
extern Vec3 ModelVertices[MaxModelVertices + 1];
extern Face ModelFaces[MaxModelFaces];
extern Vec3 FaceNormals[MaxModelFaces + 1];
extern Vec3 VertexNormals[MaxModelVertices + 1];
extern Vec3 ScreenVertices[MaxModelVertices + 1];
extern Vec3 RotatedNormals[MaxModelVertices + 1];
extern TexCoord TexCoords[MaxModelVertices];

// The class of each face of the scene's model, set at start-up with the model:
// 1..9, or 0 for a face that has no class and is not shaded.
extern FaceClass FaceClasses[MaxModelFaces];

inline FaceClass FaceClassOf(uint32_t face) { return FaceClasses[face]; }

constexpr int TextureSize = 128;
constexpr int TexelCount = TextureSize * TextureSize;
extern uint32_t Texture[TexelCount];   // 0x00RRGGBB, row stride 128 texels
extern uint8_t HeightMap[TexelCount];  // row stride 128 bytes
