// The class of every face of the scene's model: read from a class table (the
// embedded one, or a user's file of the same form) or, for a model that comes
// without one, given object by object.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/types.h"

// The first opaque class, and how many opaque classes there are.
constexpr FaceClass FirstOpaqueFaceClass = 2;
constexpr uint32_t OpaqueFaceClassCount = 8;

// out[i] = the class of face i in the table (FaceClassIn) for every face
// below faceCount: NoFaceClass past the table's end or for an entry that is
// no class.
void DecodeFaceClasses(const uint8_t* table, size_t tableBytes, uint32_t faceCount, FaceClass* out);

// What keeps a class table from serving a model of faceCount faces: a length
// other than one 16-bit entry per face, or an entry outside 1..LastFaceClass.
// Empty when it serves.
std::string CheckFaceClassTable(const uint8_t* table, size_t tableBytes, uint32_t faceCount);

// Every face opaque, each object's faces in the next class colour: object k's
// faces take class FirstOpaqueFaceClass + k mod OpaqueFaceClassCount.
// faceObjects[i] is the object of face i (ReadModel's numbering); out may be
// the same array.
void ClassesByObject(const uint16_t* faceObjects, uint32_t faceCount, FaceClass* out);
