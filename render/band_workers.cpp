#include "render/band_workers.h"

#include "assets/embedded_data.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/clear_and_transform.h"
#include "render/face_context.h"
#include "render/lights.h"
#include "render/nearest_marks.h"
#include "render/scan_convert.h"
#include "render/screen_point.h"
#include "render/shade_edges.h"

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

FaceContext BandContext(int band) {
    const int32_t half = Scene.height / 2;
    FaceContext context;
    context.band = BandRect{band * half, band * half + half, 0, Scene.width};
    context.width = Scene.width;
    context.prepassDepth = Scene.prepassDepth;
    context.heightMap = HeightMap;
    context.colorBuffer = Scene.colorBuffer;
    context.shadeDepth = Scene.shadeDepth;
    context.texture = Texture;
    return context;
}

// FaceClasses has an entry for every face of the model (NoFaceClass where a
// face has none).
uint32_t DrawnFaceCount() { return Scene.faceCount; }

int32_t PassOf(FaceClass faceClass) {
    return faceClass == TranslucentFaceClass ? TranslucentPass : Scene.otherClassPass;
}

// A face is drawn when it has a class to shade it with and every corner has
// a place on the screen (the pre-pass leaves out the same faces).
bool IsDrawable(uint32_t face, FaceClass faceClass) {
    const Face& f = ModelFaces[face];
    return faceClass != NoFaceClass && HasScreenPosition(ScreenVertices[f.a]) &&
           HasScreenPosition(ScreenVertices[f.b]) && HasScreenPosition(ScreenVertices[f.c]);
}

ShadeVertex ShadeVertexOf(uint32_t face, int corner) {
    const Face& f = ModelFaces[face];
    return VertexOf(corner == 0 ? f.a : corner == 1 ? f.b : f.c);
}

// Every face of one pass, in face order, every fragment lit as it passes the
// depth test.
void DrawEveryFragment(int32_t pass, FaceContext& context) {
    for (uint32_t i = 0; i < DrawnFaceCount(); ++i) {
        const FaceClass faceClass = FaceClassOf(i);
        if (PassOf(faceClass) != pass || !IsDrawable(i, faceClass)) continue;
        context.classColorIndex = ClassColorIndexOf(faceClass);
        ShadeTriangle(ShadeVertexOf(i, 0), ShadeVertexOf(i, 1), ShadeVertexOf(i, 2), context);
    }
}

// Per band, the rows of each face that hold one of its tags after the first step.
static_assert(MaxModelFaces <= MaxTaggedFaces, "a face's tag carries its index");
RowRange MarkedRows[2][MaxModelFaces];

// The opaque pass lighting only what stays visible: every opaque face marks
// its nearest pixels in face order, then each face lights the pixels it kept.
void DrawNearestOpaque(int band, FaceContext& context) {
    RowRange* marked = MarkedRows[band];
    const uint32_t faceCount = DrawnFaceCount();
    MarkRows rows = StartMarkRows(context, marked);
    for (uint32_t i = 0; i < faceCount; ++i) {
        marked[i] = RowRange{0, 0};
        const FaceClass faceClass = FaceClassOf(i);
        if (PassOf(faceClass) == TranslucentPass || !IsDrawable(i, faceClass)) continue;
        MarkNearestTriangle(rows, ShadeVertexOf(i, 0), ShadeVertexOf(i, 1), ShadeVertexOf(i, 2), i);
    }
    FlushMarkRows(rows);
    for (uint32_t i = 0; i < faceCount; ++i) {
        if (marked[i].Empty()) continue;
        context.classColorIndex = ClassColorIndexOf(FaceClassOf(i));
        ShadeMarkedTriangle(ShadeVertexOf(i, 0), ShadeVertexOf(i, 1), ShadeVertexOf(i, 2), context,
                            NearestTag(i), marked[i]);
    }
}

}  // namespace

void RenderBand(int band) {
    ClearBandRows(band);
    FaceContext context = BandContext(band);
    LaneLights lights;
    SplatLights(lights);
    context.lights = &lights;
    if (Scene.otherClassPass == TranslucentPass) {
        // One pass holds every face: nothing is known to be opaque before the
        // translucent faces read the depths, so every fragment is lit in turn.
        DrawEveryFragment(TranslucentPass, context);
        DrawEveryFragment(TranslucentPass, context);
        return;
    }
    DrawNearestOpaque(band, context);
    DrawEveryFragment(TranslucentPass, context);
}

void RenderBandLightingEveryFragment(int band) {
    ClearBandRows(band);
    FaceContext context = BandContext(band);
    const int32_t passes[2] = {Scene.otherClassPass, TranslucentPass};  // opaque faces first
    for (int32_t pass : passes) DrawEveryFragment(pass, context);
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
