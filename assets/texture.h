// The 128 x 128 Texture with its pasted picture, and the HeightMap derived
// from the Texture's brightness for bump mapping.
#pragma once
#include <cstddef>
#include <cstdint>

// The bytes of the band picture BuildTexture reads: its 54-byte header, the
// 256-entry palette and the 128 x 34 pixels, at their fixed offsets.
constexpr size_t BandImageReadBytes = 1078 + 128 * 34;

// Paints all 16384 texels white (0xFFFFFFFF) and pastes the 128 x 34 8-bit
// BMP bandImage across rows 50..83, upright and mirrored left to right, each
// texel being its palette entry with the top byte cleared. The header is not
// interpreted: the palette and pixels are taken from their fixed offsets.
// A picture of fewer than BandImageReadBytes bytes is refused: the texture
// stays all white and the result is false.
bool BuildTexture(const uint8_t* bandImage, size_t bandImageBytes, uint32_t* texture);

// destination[i] = (B + G + R) / 3 of source texel i, then smoothed twice in
// place over the ring of 16384 entries: each entry becomes the mean, rounded
// down, of its four neighbours i-1, i+1, i-128, i+128 (indices modulo 16384),
// visited in ascending order so that earlier entries are already updated.
void BuildHeightMap(const uint32_t* source, uint8_t* destination);

// One smoothing pass of BuildHeightMap over the 16384 heights, in place and
// in ascending order: entries before i already hold this pass's values.
void SmoothHeightMapPass(uint8_t* heights);
