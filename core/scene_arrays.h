// The static model arrays, filled once at start-up and read by every frame.
#pragma once
#include "core/types.h"

// Capacities of the model arrays. The smallest of them (TexCoords, FaceNormals)
// set the model limits of the whole system.
constexpr int ModelVertexCapacity = 4400;
constexpr int ModelFaceCapacity = 16000;
constexpr int FaceNormalCapacity = 8000;
constexpr int TexCoordCapacity = 2000;
constexpr int MaxModelVertices = 2000;  // limited by TexCoords
constexpr int MaxModelFaces = 8000;     // limited by FaceNormals

// One element more than the capacity gives every Vec3 array the readable spare
// word that four-lane loads of its last element touch.
extern Vec3 ModelVertices[ModelVertexCapacity + 1];
extern Face ModelFaces[ModelFaceCapacity];
extern Vec3 FaceNormals[FaceNormalCapacity + 1];
extern Vec3 VertexNormals[ModelVertexCapacity + 1];
extern Vec3 ScreenVertices[ModelVertexCapacity + 1];
extern Vec3 RotatedNormals[ModelVertexCapacity + 1];
extern TexCoord TexCoords[TexCoordCapacity];

constexpr int TextureSize = 128;
constexpr int TexelCount = TextureSize * TextureSize;
extern uint32_t Texture[TexelCount];   // 0x00RRGGBB, row stride 128 texels
extern uint8_t HeightMap[TexelCount];  // row stride 128 bytes
