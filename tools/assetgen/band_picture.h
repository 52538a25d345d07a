// The 128 x 34 picture pasted across the texture: the word VELMORA painted
// in bold dark-red brush strokes on white, as an 8-bit Windows BMP.
#pragma once
#include <cstdint>
#include <vector>

constexpr int BandWidth = 128;
constexpr int BandHeight = 34;

// The complete 5430-byte BMP file.
std::vector<uint8_t> EncodeBandPicture();
