#include "little_endian.h"
#include "model_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The box the stored positions fill: far from the origin in x and y, and
// symmetric about 0 in z.
constexpr double BoxMin[3] = {1000, 2000, -186};
constexpr double BoxSize[3] = {796, 656, 372};
// Stored coordinates are multiples of 1/64 unit, exact in a float.
constexpr double StoredGrid = 64;

void PutChunkHeader(std::vector<uint8_t>& out, uint16_t id, uint32_t length) {
    Put16(out, id);
    Put32(out, length);
}

}  // namespace

std::vector<uint8_t> EncodeModel(const Mesh& mesh) {
    if (mesh.vertices.size() != ModelVertexCount || mesh.faces.size() != ModelFaceCount) {
        std::fprintf(stderr, "assetgen: model has %zu vertices and %zu faces, needs %d and %d\n",
                     mesh.vertices.size(), mesh.faces.size(), ModelVertexCount, ModelFaceCount);
        std::exit(1);
    }
    double lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = hi[axis] = (&mesh.vertices[0].x)[axis];
        for (const Point& p : mesh.vertices) {
            lo[axis] = std::fmin(lo[axis], (&p.x)[axis]);
            hi[axis] = std::fmax(hi[axis], (&p.x)[axis]);
        }
    }
    const uint32_t total = 33 + 12 * ModelVertexCount + 8 + 8 * ModelFaceCount;
    std::vector<uint8_t> out;
    PutChunkHeader(out, 0x4D4D, total);
    PutChunkHeader(out, 0x3D3D, 0);
    PutChunkHeader(out, 0x4000, 0);
    out.push_back(0);  // empty object name
    PutChunkHeader(out, 0x4100, 0);
    PutChunkHeader(out, 0x4110, 0);
    Put16(out, ModelVertexCount);
    for (const Point& p : mesh.vertices)
        for (int axis = 0; axis < 3; ++axis) {
            const double t = ((&p.x)[axis] - lo[axis]) / (hi[axis] - lo[axis]);
            const double stored = BoxMin[axis] + t * BoxSize[axis];
            PutFloat(out, static_cast<float>(std::nearbyint(stored * StoredGrid) / StoredGrid));
        }
    PutChunkHeader(out, 0x4120, 0);
    Put16(out, ModelFaceCount);
    for (const Tri& t : mesh.faces) {
        Put16(out, t.a);
        Put16(out, t.b);
        Put16(out, t.c);
        Put16(out, 0);  // flags
    }
    return out;
}
