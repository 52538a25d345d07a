// The per-face class table: one little-endian 16-bit class per face, in runs
// that follow the order in which the model's parts are built.
#pragma once
#include <cstdint>
#include <vector>

// Faces of each part, in face order; each part is one run of one class.
constexpr int GlassFaces = 52;          // class 1, translucent
constexpr int CabinetFaces = 377;       // class 2
constexpr int BezelFaces = 333;         // class 3
constexpr int LargeKnobFaces = 16;      // class 2
constexpr int SmallKnobFaces = 14;      // class 3
constexpr int ControlStripFaces = 240;  // class 4
constexpr int LegFaces = 238;           // class 5
constexpr int HoodFaces = 197;          // class 6
constexpr int TrimFaces = 236;          // class 7
constexpr int AntennaFaces = 226;       // class 8
constexpr int LampFaces = 3;            // class 9

std::vector<uint8_t> EncodeFaceClasses();
