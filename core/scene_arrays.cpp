#include "core/scene_arrays.h"

alignas(16) Vec3 ModelVertices[MaxModelVertices + 1];
alignas(16) Face ModelFaces[MaxModelFaces];
alignas(16) Vec3 FaceNormals[MaxModelFaces + 1];
alignas(16) Vec3 VertexNormals[MaxModelVertices + 1];
alignas(16) Vec3 ScreenVertices[MaxModelVertices + 1];
alignas(16) Vec3 RotatedNormals[MaxModelVertices + 1];
alignas(16) TexCoord TexCoords[MaxModelVertices];
alignas(16) FaceClass FaceClasses[MaxModelFaces];
alignas(16) uint32_t Texture[TexelCount];
alignas(16) uint8_t HeightMap[TexelCount];
