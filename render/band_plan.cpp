#include "render/band_plan.h"

#include <cassert>

BandRect BandRectOf(int band, int32_t width, int32_t height) {
    assert(band >= 0 && band < BandCount && height % 2 == 0);  // two equal halves
    const int32_t half = height / 2;
    return BandRect{band * half, band * half + half, 0, width};
}

int BandOfRow(int32_t row, int32_t height) {
    int band = 0;
    while (band + 1 < BandCount && row >= BandRectOf(band, 0, height).bottom) ++band;
    return band;
}

FaceContext BandContextOver(int band, int32_t width, int32_t height, const float* prepassDepth,
                            uint32_t* colorBuffer, float* shadeDepth) {
    FaceContext context;
    context.band = BandRectOf(band, width, height);
    context.width = static_cast<uint32_t>(width);
    context.prepassDepth = prepassDepth;
    context.classColorIndex = 0;
    context.heightMap = HeightMap;
    context.colorBuffer = colorBuffer;
    context.shadeDepth = shadeDepth;
    context.texture = Texture;
    return context;
}
