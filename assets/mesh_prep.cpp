#include "assets/mesh_prep.h"

#include "core/reciprocal.h"
#include "core/scene_arrays.h"
#include "core/simd.h"
#include "core/vec_ops.h"

// The centre of an axis is the middle of its range: (max + min) / 2.
constexpr float CentreDivisor = 2.0f;
// Model units -1..1 map to texels 0..128 on both texture axes.
constexpr float TexCoordScale = 64.0f;
constexpr float TexCoordOffset = 64.0f;

// The axes in the order they are centred.
using Axis = float Vec3::*;
constexpr Axis Axes[3] = {&Vec3::x, &Vec3::y, &Vec3::z};

// Middle of the range of one axis over the vertices.
static float AxisCentre(const Vec3* vertices, uint16_t count, Axis axis) {
    float max = vertices[0].*axis;
    float min = vertices[0].*axis;
    for (uint16_t i = 1; i < count; i++) {
        float value = vertices[i].*axis;
        if (value > max) max = value;
        if (value < min) min = value;
    }
    return (max + min) / CentreDivisor;
}

void NormalizeModel(Vec3* vertices, uint16_t count) {
    if (count == 0) return;
    // Largest centred value over all axes (signed, not magnitude): the largest
    // half-extent, since each axis is centred on the middle of its range.
    float largest = 0.0f;
    for (Axis axis : Axes) {
        float centre = AxisCentre(vertices, count, axis);
        for (uint16_t i = 0; i < count; i++) {
            float& value = vertices[i].*axis;
            value = value - centre;
            if (value > largest) largest = value;
        }
    }
    float scale = ReciprocalOf(largest);
    for (uint16_t i = 0; i < count; i++) {
        vertices[i].x = vertices[i].x * scale;
        vertices[i].y = vertices[i].y * scale;
        vertices[i].z = vertices[i].z * scale;
    }
}

void ComputeTexCoords(const Vec3* vertices, uint16_t count, TexCoord* out) {
    const __m128 scale = _mm_set1_ps(TexCoordScale);
    const __m128 offset = _mm_set1_ps(TexCoordOffset);
    for (uint16_t i = 0; i < count; i++) {
        // x and y only (8 bytes): z plays no part.
        __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&vertices[i].x));
        __m128 uv = _mm_add_ps(_mm_mul_ps(xy, scale), offset);
        // Round to nearest even; NaN and out-of-range values become INT32_MIN,
        // which the signed saturating pack then clamps to -32768.
        __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(uv), _mm_setzero_si128());
        _mm_storeu_si32(&out[i], packed);
    }
}

void ComputeFaceNormals(const Face* faces, uint16_t faceCount, const Vec3* vertices, Vec3* out) {
    // Edges live in a small local array so that the four-lane load of each
    // has readable bytes after it.
    Vec3 edges[3];
    for (uint16_t f = 0; f < faceCount; f++) {
        const Face& face = faces[f];
        VecSub(&vertices[face.a], &vertices[face.b], &edges[0]);
        VecSub(&vertices[face.b], &vertices[face.c], &edges[1]);
        VecCross(&edges[0], &edges[1], &out[f]);
        VecNormalize(&out[f]);
    }
}

namespace {

// The faces of each vertex, in face order: vertex v's are
// FacesOfVertex[FirstFaceOfVertex[v] .. FirstFaceOfVertex[v + 1]). Built once at
// start-up, for models of up to MaxModelVertices and MaxModelFaces.
uint32_t FirstFaceOfVertex[MaxModelVertices + 1];
uint16_t FacesOfVertex[3 * MaxModelFaces];

// The vertices face f names, each once, in the order a, b, c; those at or
// past vertexCount are left out. Returns how many.
int DistinctCorners(const Face& face, uint16_t vertexCount, uint16_t corners[3]) {
    int count = 0;
    if (face.a < vertexCount) corners[count++] = face.a;
    if (face.b < vertexCount && face.b != face.a) corners[count++] = face.b;
    if (face.c < vertexCount && face.c != face.a && face.c != face.b) corners[count++] = face.c;
    return count;
}

// Counts each vertex's faces, turns the counts into start positions, then
// files every face under its vertices in face order.
void ListFacesOfVertices(const Face* faces, uint16_t faceCount, uint16_t vertexCount) {
    uint16_t corners[3];
    for (uint32_t v = 0; v <= vertexCount; v++) FirstFaceOfVertex[v] = 0;
    for (uint32_t f = 0; f < faceCount; f++) {
        const int count = DistinctCorners(faces[f], vertexCount, corners);
        for (int k = 0; k < count; k++) FirstFaceOfVertex[corners[k] + 1]++;
    }
    for (uint32_t v = 0; v < vertexCount; v++) FirstFaceOfVertex[v + 1] += FirstFaceOfVertex[v];
    // Each vertex's next free place; after filing, next[v] is v's end.
    static uint32_t next[MaxModelVertices];
    for (uint32_t v = 0; v < vertexCount; v++) next[v] = FirstFaceOfVertex[v];
    for (uint32_t f = 0; f < faceCount; f++) {
        const int count = DistinctCorners(faces[f], vertexCount, corners);
        for (int k = 0; k < count; k++) FacesOfVertex[next[corners[k]]++] = static_cast<uint16_t>(f);
    }
}

}  // namespace

void ComputeVertexNormals(const Face* faces, uint16_t faceCount, const Vec3* faceNormals,
                          uint16_t vertexCount, Vec3* out) {
    // Each sum adds the normals of the faces that name the vertex in face
    // order, which fixes their rounding: the same additions as a scan of every
    // face for every vertex, without its vertex x face tests (4 * 10^9 for a
    // model at the limits).
    ListFacesOfVertices(faces, faceCount, vertexCount);
    for (uint32_t v = 0; v < vertexCount; v++) {
        __m128 sum = _mm_setzero_ps();
        for (uint32_t i = FirstFaceOfVertex[v]; i < FirstFaceOfVertex[v + 1]; i++)
            sum = _mm_add_ps(sum, LoadVec3(&faceNormals[FacesOfVertex[i]]));
        StoreVec3(&out[v], sum);
        VecNormalize(&out[v]);
    }
}
