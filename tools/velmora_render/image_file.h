// Writing and reading frames as image files (PNG through libpng, binary PPM).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// pixels: width * height words 0x00RRGGBB, rows top to bottom. The fourth
// byte is not written. Returns false with a one-line reason on any failure;
// a failed write leaves no file behind.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string& error);
bool WritePpm(const std::string& path, const uint32_t* pixels, int width, int height, std::string& error);

// Encodes width * height straight-alpha RGBA bytes (rows top to bottom) as a
// PNG file's bytes; false with a reason on failure.
bool EncodeRgbaPng(const uint8_t* rgba, int width, int height, std::vector<uint8_t>& bytes, std::string& error);

// Reads an 8-bit RGB or RGBA PNG into 0x00RRGGBB words.
bool ReadPng(const std::string& path, std::vector<uint32_t>& pixels, int& width, int& height,
             std::string& error);

// Writes bytes to a file; false with a reason on failure.
bool WriteFileBytes(const std::string& path, const uint8_t* bytes, size_t size, std::string& error);
