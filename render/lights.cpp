#include "render/lights.h"

#include "core/reciprocal.h"
#include "core/simd.h"

namespace {

// The three lights as the program stores them: directions towards the light
// (negative z towards the viewer), colours in blue, green, red order.
constexpr Light StoredLights[LightCount] = {
    // Straight on from the viewer: a soft violet with a pink-white highlight.
    {{{0.0f, 0.0f, -1.0f, 0.0f}}, {{115, 81, 114, 0}}, {{30, 20, 13, 0}}, {{255, 205, 255, 0}}},
    // From the upper left, in front: red, with a yellow-white highlight.
    {{{-0.5f, -0.5f, -1.0f, 0.0f}}, {{2, 27, 170, 0}}, {{1, 1, 1, 0}}, {{5, 255, 255, 0}}},
    // From the lower right, in front: a dim warm fill with an orange highlight.
    {{{0.5f, 0.5f, -1.0f, 0.0f}}, {{3, 1, 8, 0}}, {{7, 3, 17, 0}}, {{5, 255, 150, 0}}},
};

}  // namespace

alignas(16) Light LightTable[LightCount] = {StoredLights[0], StoredLights[1], StoredLights[2]};

// Per class colour index, blue, green, red multipliers in 1/256 units. Index 0
// (translucent faces) is 1: their light is multiplied by the texel instead.
alignas(16) const Vec4 ClassColorTable[ClassColorCount] = {
    {{1, 1, 1, 0}},       {{25, 111, 2, 0}},  {{2, 255, 0, 0}},
    {{1, 2, 255, 0}},     {{111, 111, 1, 0}}, {{255, 0, 2, 0}},
    {{111, 111, 0, 0}},   {{111, 111, 111, 0}}, {{111, 111, 1, 0}},
};

void ResetLightTable() {
    for (int i = 0; i < LightCount; ++i) LightTable[i] = StoredLights[i];
}

void NormalizeLights(Light* lights, int count) {
    for (int i = 0; i < count; ++i) {
        __m128 direction = LoadVec4(lights[i].direction);
        __m128 lengthSquared = Dot4Ordered(direction, direction);
        StoreVec4(lights[i].direction, _mm_mul_ps(direction, ReciprocalSqrtOf(lengthSquared)));
    }
}

void SplatLights(LaneLights& lights) {
    for (int k = 0; k < LightCount; ++k) {
        const Light& light = LightTable[k];
        Splat(lights.directionX[k], light.direction.v[0]);
        Splat(lights.directionY[k], light.direction.v[1]);
        Splat(lights.directionZ[k], light.direction.v[2]);
        for (int c = 0; c < ColourChannels; ++c) {
            Splat(lights.diffuse[k][c], light.diffuse.v[c]);
            Splat(lights.ambient[k][c], light.ambient.v[c]);
            Splat(lights.specular[k][c], light.specular.v[c]);
        }
    }
}
