#include "assets/face_classes.h"

#include "assets/embedded_data.h"

static_assert(FirstOpaqueFaceClass == TranslucentFaceClass + 1, "the opaque classes follow the translucent one");
static_assert(FirstOpaqueFaceClass + OpaqueFaceClassCount - 1 == LastFaceClass, "every opaque class takes a turn");

// Entries are 16-bit little-endian words.
constexpr size_t ClassEntryBytes = 2;

void DecodeFaceClasses(const uint8_t* table, size_t tableBytes, uint32_t faceCount, FaceClass* out) {
    for (uint32_t face = 0; face < faceCount; face++) out[face] = FaceClassIn(table, tableBytes, face);
}

std::string CheckFaceClassTable(const uint8_t* table, size_t tableBytes, uint32_t faceCount) {
    const uint64_t needed = uint64_t{faceCount} * ClassEntryBytes;
    if (tableBytes != needed)
        return std::to_string(tableBytes) + " bytes, but the model's " + std::to_string(faceCount) + " faces need " +
               std::to_string(needed) + ": one 16-bit class per face";
    for (uint32_t face = 0; face < faceCount; face++) {
        const uint32_t entry = table[ClassEntryBytes * face] | table[ClassEntryBytes * face + 1] << 8;
        if (entry < TranslucentFaceClass || entry > LastFaceClass)
            return "face " + std::to_string(face) + " has class " + std::to_string(entry) + ", but classes run from " +
                   std::to_string(TranslucentFaceClass) + " to " + std::to_string(LastFaceClass);
    }
    return "";
}

void ClassesByObject(const uint16_t* faceObjects, uint32_t faceCount, FaceClass* out) {
    for (uint32_t face = 0; face < faceCount; face++)
        out[face] = static_cast<FaceClass>(FirstOpaqueFaceClass + faceObjects[face] % OpaqueFaceClassCount);
}
