#include "render/band_workers.h"

#include "assets/embedded_data.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/frame_pipeline.h"
#include "render/lighting.h"
#include "render/scan_convert.h"

namespace {

// Translucent faces are drawn in pass 0, after every other face.
constexpr int32_t TranslucentPass = 0;
static_assert(LastFaceClass == ClassColorCount, "every face class has its colour");

ShadeVertex VertexOf(uint16_t index) {
    const Vec3& screen = ScreenVertices[index];
    const Vec3& normal = RotatedNormals[index];
    const ScreenPoint point = ToScreenPoint(screen);
    ShadeVertex vertex;
    vertex.x = point.x;
    vertex.y = point.y;
    vertex.u = static_cast<uint16_t>(TexCoords[index].u);
    vertex.v = static_cast<uint16_t>(TexCoords[index].v);
    vertex.depth = screen.z;
    vertex.normal = Vec4{{normal.x, normal.y, normal.z, 0.0f}};
    return vertex;
}

}  // namespace

void RenderBand(int band) {
    const int32_t half = Scene.height / 2;
    FaceContext context;
    context.band = BandRect{band * half, band * half + half, 0, Scene.width};
    context.width = Scene.width;
    context.prepassDepth = Scene.prepassDepth;
    context.heightMap = HeightMap;
    context.colorBuffer = Scene.colorBuffer;
    context.shadeDepth = Scene.shadeDepth;
    context.texture = Texture;

    // The class table has one entry per face of the embedded model; a larger
    // face count must not read past it.
    const uint32_t faceCount = Scene.faceCount < FaceClassCount ? Scene.faceCount : FaceClassCount;
    const int32_t passes[2] = {Scene.otherClassPass, TranslucentPass};  // opaque faces first
    for (int32_t pass : passes) {
        for (uint32_t i = 0; i < faceCount; ++i) {
            const FaceClass faceClass = FaceClassOf(i);
            if (faceClass == NoFaceClass) continue;  // no class colour to shade it with
            const int32_t facePass = faceClass == TranslucentFaceClass ? TranslucentPass : Scene.otherClassPass;
            if (facePass != pass) continue;
            context.classColorIndex = ClassColorIndexOf(faceClass);
            const Face& face = ModelFaces[i];
            // The pre-pass leaves out the same faces.
            if (!HasScreenPosition(ScreenVertices[face.a]) || !HasScreenPosition(ScreenVertices[face.b]) ||
                !HasScreenPosition(ScreenVertices[face.c]))
                continue;
            ShadeTriangle(VertexOf(face.a), VertexOf(face.b), VertexOf(face.c), context);
        }
    }
}

void RunBandWorkers() { ForkJoinBandWorkers(WorkerTop, WorkerBottom, RenderBand); }

ThreadResult VELMORA_THREAD_CALL WorkerTop(void*) {
    RenderBand(0);
    EndWorkerThread(0);
}

ThreadResult VELMORA_THREAD_CALL WorkerBottom(void*) {
    RenderBand(1);
    EndWorkerThread(1);
}
