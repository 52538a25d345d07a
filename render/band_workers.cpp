#include "render/band_workers.h"

#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "render/face_context.h"
#include "render/lights.h"
#include "render/nearest_marks.h"
#include "render/shade_triangle.h"

namespace {

static_assert(LastFaceClass == ClassColorCount, "every face class has its colour");

// Per band, the rows of each face that hold one of its tags after the first step.
RowRange MarkedRows[BandCount][MaxModelFaces];

// The opaque pass lighting only what stays visible: every face of the other
// classes' pass marks its nearest pixels in face order, then each face lights
// the pixels it kept.
void DrawNearestOpaque(int band, FaceContext& context) {
    RowRange* marked = MarkedRows[band];
    MarkNearestFaces(context, marked);
    for (uint32_t i = 0; i < DrawnFaceCount(); ++i) {
        if (marked[i].Empty()) continue;
        context.classColorIndex = ClassColorIndexOfFace(i);
        ShadeMarkedTriangle(ShadeVertexOf(i, 0), ShadeVertexOf(i, 1), ShadeVertexOf(i, 2), context,
                            NearestTag(i), marked[i]);
    }
}

FaceContext BandContext(int band) {
    return BandContextOver(band, Scene.width, Scene.height, Scene.prepassDepth, Scene.colorBuffer, Scene.shadeDepth);
}

}  // namespace

void DrawEveryFragment(int32_t pass, FaceContext& context) {
    for (uint32_t i = 0; i < DrawnFaceCount(); ++i) {
        if (!DrawnInPass(i, pass)) continue;
        context.classColorIndex = ClassColorIndexOfFace(i);
        ShadeTriangle(ShadeVertexOf(i, 0), ShadeVertexOf(i, 1), ShadeVertexOf(i, 2), context);
    }
}

void RenderBand(int band) {
    ClearBandRows(band);
    FaceContext context = BandContext(band);
    LaneLights lights;
    SplatLights(lights);
    context.lights = &lights;
    if (OtherClassPass() == TranslucentPass) {
        // Both passes hold every face: nothing is known to be opaque before
        // the translucent faces read the depths, so every fragment is lit in turn.
        for (int order = 0; order < PassesPerBand; ++order) DrawEveryFragment(BandPass(order), context);
        return;
    }
    DrawNearestOpaque(band, context);
    DrawEveryFragment(TranslucentPass, context);
}
