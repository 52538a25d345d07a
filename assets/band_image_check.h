// Whether a picture has the form BuildTexture reads: the embedded band
// picture's, a 128 x 34 Windows BMP with 8 bits per pixel, a 256-colour
// palette right after a 40-byte info header, rows bottom first, no compression.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Empty when the picture has that form; else what it is and what is expected.
std::string CheckBandImage(const uint8_t* picture, size_t pictureBytes);
