#include "core/scene_arrays.h"

alignas(16) Vec3 ModelVertices[ModelVertexCapacity + 1];
alignas(16) Face ModelFaces[ModelFaceCapacity];
alignas(16) Vec3 FaceNormals[FaceNormalCapacity + 1];
alignas(16) Vec3 VertexNormals[ModelVertexCapacity + 1];
alignas(16) Vec3 ScreenVertices[ModelVertexCapacity + 1];
alignas(16) Vec3 RotatedNormals[ModelVertexCapacity + 1];
alignas(16) TexCoord TexCoords[TexCoordCapacity];
alignas(16) uint32_t Texture[TexelCount];
alignas(16) uint8_t HeightMap[TexelCount];
