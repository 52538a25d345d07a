// libFuzzer target for ReadModel and CheckModel: arbitrary bytes, given with
// their true size. Out-of-bounds reads and writes are caught by the address
// sanitizer (the outputs are exactly as large as ReadModel may use); the
// checks below trap on results the renderer could not use safely, and on a
// stream the check passes that the reader does not read whole.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "assets/model_reader.h"
#include "core/scene_arrays.h"

static Vec3 Vertices[MaxModelVertices + 1];
static Face Faces[MaxModelFaces];
static uint16_t FaceObjects[MaxModelFaces];

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ModelCounts counts = ReadModel(data, size, Vertices, Faces, FaceObjects);
    if (counts.vertexCount > MaxModelVertices || counts.faceCount > MaxModelFaces) __builtin_trap();
    // Every face names a vertex that was read.
    for (uint16_t i = 0; i < counts.faceCount; i++) {
        const Face& f = Faces[i];
        if (f.a >= counts.vertexCount || f.b >= counts.vertexCount || f.c >= counts.vertexCount)
            __builtin_trap();
    }
    // The spare word after the last vertex is marked.
    if (counts.vertexCount > 0) {
        uint32_t spare;
        memcpy(&spare, &Vertices[counts.vertexCount], sizeof spare);
        if (spare != 0xFFFFFFFF) __builtin_trap();
    }
    // A stream the check passes is read whole, and every face has an object.
    const ModelCheck check = CheckModel(data, size);
    if (check.problem.empty()) {
        if (check.vertexCount != counts.vertexCount || check.faceCount != counts.faceCount) __builtin_trap();
        for (uint16_t i = 1; i < counts.faceCount; i++)
            if (FaceObjects[i] != FaceObjects[i - 1] && FaceObjects[i] != FaceObjects[i - 1] + 1) __builtin_trap();
    }
    return 0;
}
