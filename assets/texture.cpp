#include "assets/texture.h"

#include "core/scene_arrays.h"

// Where the 128 x 34, 8-bit BMP keeps its palette and its pixel rows.
constexpr int BandPaletteOffset = 54;
constexpr int BandPixelOffset = 1078;
constexpr int BandPixelCount = 128 * 34;
// Bytes per palette entry: blue, green, red, reserved.
constexpr int PaletteEntryBytes = 4;
// The first texel of the band: row 50, column 0.
constexpr int BandFirstTexel = 50 * TextureSize;
// The texture everywhere outside the band.
constexpr uint32_t BlankTexel = 0xFFFFFFFF;
// Keeps a palette entry's colour bytes and clears its reserved top byte.
constexpr uint32_t ColourMask = 0x00FFFFFF;

// Mean of the three colour bytes, rounded down.
constexpr uint32_t GreyDivisor = 3;
// Smoothing passes over the whole map, one after the other.
constexpr int SmoothingPasses = 2;
// The sum of four neighbours shifted right by 2: their mean, rounded down.
constexpr int NeighbourShift = 2;
// Neighbour indices wrap around the whole map (16384 is a power of two).
constexpr int RingMask = TexelCount - 1;

static_assert(BandFirstTexel + BandPixelCount <= TexelCount, "the band fits in the texture");
static_assert(BandImageReadBytes == BandPixelOffset + BandPixelCount, "the pixels are the last bytes read");
static_assert(BandPaletteOffset + PaletteEntryBytes * 256 <= BandPixelOffset, "the palette lies before the pixels");
static_assert((TexelCount & RingMask) == 0, "the ring size is a power of two");

bool BuildTexture(const uint8_t* bandImage, size_t bandImageBytes, uint32_t* texture) {
    for (int i = 0; i < TexelCount; i++) texture[i] = BlankTexel;
    if (bandImageBytes < BandImageReadBytes) return false;  // the pixels would run past its end

    // The BMP stores its rows bottom first; reading the pixels from the last
    // byte to the first puts the picture upright, mirrored left to right.
    const uint8_t* palette = bandImage + BandPaletteOffset;
    const uint8_t* pixels = bandImage + BandPixelOffset;
    for (int k = 0; k < BandPixelCount; k++) {
        const uint8_t* entry = palette + PaletteEntryBytes * pixels[BandPixelCount - 1 - k];
        uint32_t colour = static_cast<uint32_t>(entry[0]) | static_cast<uint32_t>(entry[1]) << 8 |
                          static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[3]) << 24;
        texture[BandFirstTexel + k] = colour & ColourMask;
    }
    return true;
}

// In place, so that lowered values spread forward through the pass.
void SmoothHeightMapPass(uint8_t* h) {
    for (int i = 0; i < TexelCount; i++) {
        uint32_t sum = h[(i - 1) & RingMask] + h[(i + 1) & RingMask] +
                       h[(i - TextureSize) & RingMask] + h[(i + TextureSize) & RingMask];
        h[i] = static_cast<uint8_t>(sum >> NeighbourShift);
    }
}

void BuildHeightMap(const uint32_t* source, uint8_t* destination) {
    for (int i = 0; i < TexelCount; i++) {
        uint32_t texel = source[i];
        uint32_t sum = (texel & 0xFF) + (texel >> 8 & 0xFF) + (texel >> 16 & 0xFF);
        destination[i] = static_cast<uint8_t>(sum / GreyDivisor);
    }
    for (int pass = 0; pass < SmoothingPasses; pass++) SmoothHeightMapPass(destination);
}
