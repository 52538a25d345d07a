// The 128 x 128 Texture with its pasted picture, and the HeightMap derived
// from the Texture's brightness for bump mapping.
#pragma once
#include <cstdint>

// Paints all 16384 texels white (0xFFFFFFFF) and pastes the 128 x 34 8-bit
// BMP bandImage across rows 50..83, upright and mirrored left to right, each
// texel being its palette entry with the top byte cleared. The header is not
// interpreted: the palette and pixels are taken from their fixed offsets.
void BuildTexture(const uint8_t* bandImage, uint32_t* texture);

// destination[i] = (B + G + R) / 3 of source texel i, then smoothed twice in
// place over the ring of 16384 entries: each entry becomes the mean, rounded
// down, of its four neighbours i-1, i+1, i-128, i+128 (indices modulo 16384),
// visited in ascending order so that earlier entries are already updated.
void BuildHeightMap(const uint32_t* source, uint8_t* destination);

// One smoothing pass of BuildHeightMap over the 16384 heights, in place and
// in ascending order: entries before i already hold this pass's values.
void SmoothHeightMapPass(uint8_t* heights);
