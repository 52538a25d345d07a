#include "render/shade_triangle.h"

#include "core/reciprocal.h"
#include "render/band_plan.h"
#include "render/span_shader.h"

void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context) {
    if (!FaceTouchesBand(v0, v1, v2, context.band)) return;
    // The face's rows are walked four at a time and its pixels lit together.
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        FaceRows rows;
        GatherFace<Reciprocals>(rows, v0, v1, v2, context);
        LightFaceRows<Reciprocals>(rows, context);
    });
}

void ShadeMarkedTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         const FaceContext& context, uint32_t tag, RowRange rows) {
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        FaceRows faceRows;
        faceRows.tag = tag;
        GatherMarkedFace<Reciprocals>(faceRows, v0, v1, v2, rows, context);
        LightFaceRows<Reciprocals>(faceRows, context);
    });
}
