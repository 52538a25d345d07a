// The data the program carries inside itself, compiled in from assets/embedded/.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/types.h"

constexpr size_t EmbeddedModelBytes = 28121;
constexpr size_t BandImageBytes = 5430;
constexpr int FaceClassCount = 1932;

extern const uint8_t EmbeddedModel[EmbeddedModelBytes];   // model.3ds
extern const uint8_t BandImage[BandImageBytes];           // band.bmp
extern const uint8_t FaceClassTableBytes[2 * FaceClassCount];  // face_classes.bin

// The FaceClass of face i: 16-bit little-endian entries, one per face.
inline FaceClass FaceClassOf(uint32_t face) {
    return static_cast<FaceClass>(FaceClassTableBytes[2 * face] |
                                  FaceClassTableBytes[2 * face + 1] << 8);
}
