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
extern const uint8_t FaceClassTable[2 * FaceClassCount];  // face_classes.bin: 16-bit entries

// Face classes run 1..LastFaceClass; NoFaceClass marks a face that has none.
constexpr FaceClass NoFaceClass = 0;
constexpr FaceClass LastFaceClass = 9;

// The FaceClass of face i in a table of tableBytes bytes: 16-bit little-endian
// entries, one per face. A face past the table's end, or an entry outside
// 1..LastFaceClass, gives NoFaceClass: there is no colour to shade it with.
inline FaceClass FaceClassIn(const uint8_t* table, size_t tableBytes, uint32_t face) {
    if (face >= tableBytes / 2) return NoFaceClass;
    const auto entry = static_cast<FaceClass>(table[2 * face] | table[2 * face + 1] << 8);
    return entry <= LastFaceClass ? entry : NoFaceClass;
}
