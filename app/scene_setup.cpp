#include "app/scene_setup.h"

#include "app/frame_sequence.h"
#include "assets/embedded_data.h"
#include "assets/face_classes.h"
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

// The model and the class of each of its faces.
static void ReadModelAndClasses(const SceneSources& sources) {
    // By object, the reader numbers each face's object in FaceClasses, which
    // the numbers then turn into classes in place.
    ModelCounts counts = ReadModel(sources.model, sources.modelBytes, ModelVertices, ModelFaces,
                                   sources.classesByObject ? FaceClasses : nullptr);
    Scene.vertexCount = counts.vertexCount;
    Scene.faceCount = counts.faceCount;
    if (sources.classesByObject)
        ClassesByObject(FaceClasses, counts.faceCount, FaceClasses);
    else
        DecodeFaceClasses(sources.classTable, sources.classTableBytes, counts.faceCount, FaceClasses);
}

void BuildScene(const SceneSources& sources) {
    ReadModelAndClasses(sources);
    ResetZoom();
    BuildTexture(sources.picture, sources.pictureBytes, Texture);
    BuildHeightMap(Texture, HeightMap);
    ResetLightTable();  // so that a second set-up normalises the stored directions, not the normalised ones
    NormalizeLights(LightTable, LightCount);
    NormalizeModel(ModelVertices, Scene.vertexCount);
    ComputeTexCoords(ModelVertices, Scene.vertexCount, TexCoords);
    ComputeFaceNormals(ModelFaces, Scene.faceCount, ModelVertices, FaceNormals);
    ComputeVertexNormals(ModelFaces, Scene.faceCount, FaceNormals, Scene.vertexCount, VertexNormals);
}

void PrepareScene() { PrepareSceneFromModel(EmbeddedModel, EmbeddedModelBytes); }

void PrepareSceneFromModel(const uint8_t* model, size_t modelBytes) {
    static_assert(BandImageBytes >= BandImageReadBytes, "the embedded picture is never refused");
    BuildScene({model, modelBytes, BandImage, BandImageBytes, FaceClassTable, sizeof FaceClassTable, false});
}
