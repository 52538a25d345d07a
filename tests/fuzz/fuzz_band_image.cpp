// libFuzzer target for the band picture: BuildTexture and BuildHeightMap over
// arbitrary bytes, given with their true size. A picture too short to hold
// the pixels is refused; whatever the bytes, the texture keeps its blank rows
// and the colour bytes of each pasted texel only. A picture CheckBandImage
// passes is always pasted.
#include <cstddef>
#include <cstdint>

#include "core/scene_arrays.h"
#include "assets/band_image_check.h"
#include "assets/texture.h"

namespace {

constexpr uint32_t BlankTexel = 0xFFFFFFFF;
constexpr int BandFirstTexel = 50 * TextureSize;  // rows 50..83 hold the picture
constexpr int BandEndTexel = 84 * TextureSize;

uint32_t FuzzTexture[TexelCount];
uint8_t FuzzHeights[TexelCount];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const bool pasted = BuildTexture(data, size, FuzzTexture);
    if (pasted != (size >= BandImageReadBytes)) __builtin_trap();
    if (CheckBandImage(data, size).empty() && !pasted) __builtin_trap();
    for (int i = 0; i < TexelCount; ++i) {
        const bool inBand = i >= BandFirstTexel && i < BandEndTexel;
        if (!(pasted && inBand) && FuzzTexture[i] != BlankTexel) __builtin_trap();
        if (pasted && inBand && FuzzTexture[i] > 0x00FFFFFF) __builtin_trap();
    }
    BuildHeightMap(FuzzTexture, FuzzHeights);
    return 0;
}
