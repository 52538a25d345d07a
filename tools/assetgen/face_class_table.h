// The per-face class table: one little-endian 16-bit class per face.
#pragma once
#include <cstdint>
#include <vector>

std::vector<uint8_t> EncodeFaceClasses();
