#include "app/scene_setup.h"

#include "app/frame_sequence.h"
#include "assets/embedded_data.h"
#include "assets/mesh_prep.h"
#include "assets/model_reader.h"
#include "assets/texture.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/lights.h"

// The window is this many pixels narrower and shorter than the screen.
constexpr int ScreenMargin = 10;

void SetSceneSize(int screenWidth, int screenHeight) {
    Scene.width = static_cast<uint16_t>((screenWidth - ScreenMargin) & ~1);
    Scene.height = static_cast<uint16_t>((screenHeight - ScreenMargin) & ~1);
    Scene.halfWidth = Scene.width / 2;
    Scene.halfHeight = Scene.height / 2;
}

bool AllocateSceneBuffers(void* (*allocate)(size_t bytes)) {
    constexpr size_t BytesPerWord = 4;  // a pixel, or a depth, is one 32-bit word
    const size_t bytes = size_t{Scene.width} * size_t{Scene.height} * BytesPerWord;
    Scene.colorBuffer = static_cast<uint32_t*>(allocate(bytes));
    Scene.shadeDepth = static_cast<float*>(allocate(bytes));
    Scene.prepassDepth = static_cast<float*>(allocate(bytes));
    return Scene.colorBuffer != nullptr && Scene.shadeDepth != nullptr && Scene.prepassDepth != nullptr;
}

void PrepareScene() { PrepareSceneFromModel(EmbeddedModel, EmbeddedModelBytes); }

void PrepareSceneFromModel(const uint8_t* model, size_t modelBytes) {
    ModelCounts counts = ReadModel(model, modelBytes, ModelVertices, ModelFaces);
    Scene.vertexCount = counts.vertexCount;
    Scene.faceCount = counts.faceCount;
    ResetZoom();
    static_assert(BandImageBytes >= BandImageReadBytes, "the embedded picture is never refused");
    BuildTexture(BandImage, BandImageBytes, Texture);
    BuildHeightMap(Texture, HeightMap);
    ResetLightTable();  // so that a second set-up normalises the stored directions, not the normalised ones
    NormalizeLights(LightTable, LightCount);
    NormalizeModel(ModelVertices, Scene.vertexCount);
    ComputeTexCoords(ModelVertices, Scene.vertexCount, TexCoords);
    ComputeFaceNormals(ModelFaces, Scene.faceCount, ModelVertices, FaceNormals);
    ComputeVertexNormals(ModelFaces, Scene.faceCount, FaceNormals, Scene.vertexCount, VertexNormals);
}
