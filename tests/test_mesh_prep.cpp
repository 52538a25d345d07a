// Mesh preparation: the vector routines against plain scalar arithmetic in the
// same order, the worked examples of each step, and the embedded model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "assets/embedded_data.h"
#include "assets/mesh_prep.h"
#include "assets/model_reader.h"
#include "core/reciprocal.h"
#include "core/scene_arrays.h"
#include "core/simd.h"
#include "core/vec_ops.h"
#include "tests/support/bit_equality.h"
#include "tests/support/embedded_model_layout.h"

namespace {

// 1/sqrt(d) as the vector code takes it in the current mode: the estimate
// instruction, or the exact square root and division in portable mode.
float ScalarRsqrt(float d) { return _mm_cvtss_f32(ReciprocalSqrtOf(_mm_set_ss(d))); }

Vec3 ScalarSub(Vec3 p, Vec3 q) { return {q.x - p.x, q.y - p.y, q.z - p.z}; }

Vec3 ScalarCross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 ScalarNormalize(Vec3 v) {
    float d = (v.x * v.x + v.y * v.y) + v.z * v.z;
    float r = ScalarRsqrt(d);
    return {v.x * r, v.y * r, v.z * r};
}

::testing::AssertionResult SameVec3(const Vec3& got, const Vec3& want) {
    if (SameFloat(got.x, want.x) && SameFloat(got.y, want.y) && SameFloat(got.z, want.z))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ", " << got.z
                                         << ") want (" << want.x << ", " << want.y << ", " << want.z
                                         << ")";
}

void ExpectNear3(const Vec3& v, float x, float y, float z, float tolerance = EstimateTolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

// Random finite floats of either sign with magnitudes 2^-20 .. 2^20.
struct RandomFloats {
    std::mt19937 engine{12345};
    float Next() {
        uint32_t bits = static_cast<uint32_t>(engine());
        uint32_t exponent = 107 + bits % 41;
        uint32_t word = (bits & 0x80000000u) | exponent << 23 | (static_cast<uint32_t>(engine()) & 0x7FFFFF);
        float f;
        memcpy(&f, &word, sizeof f);
        return f;
    }
    Vec3 NextVec3() { return {Next(), Next(), Next()}; }
};

// A spare lane that must not leak into any result.
float Garbage(uint32_t bits) {
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

TEST(VecOps, MatchScalarArithmeticBitForBit) {
    RandomFloats random;
    const uint32_t spares[] = {0x7FC00000, 0x7F800000, 0xFF800001, 0x00000001, 0x4B000000};
    for (int i = 0; i < 20000; i++) {
        // Each operand is followed by a spare word the loads read as lane 3.
        Vec3 p[2] = {random.NextVec3(), {Garbage(spares[i % 5]), 0, 0}};
        Vec3 q[2] = {random.NextVec3(), {Garbage(spares[(i + 1) % 5]), 0, 0}};
        Vec3 out[2];
        const Vec3 mark = {Garbage(0xDEADBEEF), Garbage(0xDEADBEEF), 0};

        out[1] = mark;
        VecSub(&p[0], &q[0], &out[0]);
        ASSERT_TRUE(SameVec3(out[0], ScalarSub(p[0], q[0]))) << i;

        VecCross(&p[0], &q[0], &out[0]);
        ASSERT_TRUE(SameVec3(out[0], ScalarCross(p[0], q[0]))) << i;

        out[0] = p[0];
        out[1].x = Garbage(spares[(i + 2) % 5]);
        VecNormalize(&out[0]);
        ASSERT_TRUE(SameVec3(out[0], ScalarNormalize(p[0]))) << i;

        // Exactly 12 bytes stored: the word after the result is untouched.
        out[1] = mark;
        VecSub(&p[0], &q[0], &out[0]);
        VecCross(&p[0], &q[0], &out[0]);
        VecNormalize(&out[0]);
        ASSERT_EQ(0, memcmp(&out[1], &mark, sizeof mark));
    }
}

TEST(VecOps, WorkedValues) {
    Vec3 a[2] = {{1, 2, 3}}, b[2] = {{5, 7, 11}}, out[2];
    VecSub(&a[0], &b[0], &out[0]);  // out = b - a
    EXPECT_TRUE(SameVec3(out[0], {4, 5, 8}));

    Vec3 x[2] = {{1, 0, 0}}, y[2] = {{0, 1, 0}};
    VecCross(&x[0], &y[0], &out[0]);
    EXPECT_TRUE(SameVec3(out[0], {0, 0, 1}));
    VecCross(&y[0], &x[0], &out[0]);
    EXPECT_TRUE(SameVec3(out[0], {0, 0, -1}));

    out[0] = {3, 0, 4};
    VecNormalize(&out[0]);
    ExpectNear3(out[0], 0.6f, 0, 0.8f);
}

TEST(NormalizeModel, CentresOnTheBoxAndScalesByTheLargestHalfExtent) {
    // x is widest (half-extent 100); the middle vertex in x shows that the
    // centre is the middle of the range, not the mean.
    Vec3 v[4] = {{100, -50, 10}, {290, 50, 20}, {300, 0, 15}};
    NormalizeModel(v, 3);
    const float s = ReciprocalOf(100.0f);
    EXPECT_TRUE(SameVec3(v[0], {-100 * s, -50 * s, -5 * s}));
    EXPECT_TRUE(SameVec3(v[1], {90 * s, 50 * s, 5 * s}));
    EXPECT_TRUE(SameVec3(v[2], {100 * s, 0 * s, 0 * s}));
    EXPECT_NEAR(v[2].x, 1.0f, EstimateTolerance);

    // y widest, then z widest: the largest value is carried across axes.
    Vec3 w[3] = {{0, 0, 1}, {2, 10, 3}};
    NormalizeModel(w, 2);
    const float t = ReciprocalOf(5.0f);
    EXPECT_TRUE(SameVec3(w[0], {-1 * t, -5 * t, -1 * t}));
    EXPECT_TRUE(SameVec3(w[1], {1 * t, 5 * t, 1 * t}));

    Vec3 z[3] = {{0, 1, -40}, {2, 3, 40}};
    NormalizeModel(z, 2);
    const float u = ReciprocalOf(40.0f);
    EXPECT_TRUE(SameVec3(z[0], {-1 * u, -1 * u, -40 * u}));
    EXPECT_NEAR(z[1].z, 1.0f, EstimateTolerance);
}

TEST(NormalizeModel, CountZeroAndNoExtentAreHarmless) {
    Vec3 v[2] = {{7, 8, 9}};
    NormalizeModel(v, 0);
    EXPECT_TRUE(SameVec3(v[0], {7, 8, 9}));
    // All vertices equal: the scale is undefined, but nothing else is touched.
    Vec3 same[3] = {{1, 1, 1}, {1, 1, 1}, {123, 0, 0}};
    NormalizeModel(same, 2);
    EXPECT_TRUE(SameVec3(same[2], {123, 0, 0}));
}

TEST(ComputeTexCoords, RoundsToNearestEvenAndSaturates) {
    const float nan = std::nanf("");
    // x gives u, y gives v, z takes no part.
    const Vec3 v[] = {{-1, 1, 5},          {0, 0, -5},         {1, -1, 0},
                      {0.5f / 64, 1.5f / 64, 0}, {600, -600, 0}, {1e10f, -1e10f, 0},
                      {nan, INFINITY, 0},  {-INFINITY, 2.5f / 64, 0}};
    const TexCoord want[] = {{0, 128}, {64, 64},       {128, 0},         {64, 66},
                             {32767, -32768}, {-32768, -32768}, {-32768, -32768}, {-32768, 66}};
    constexpr int n = sizeof v / sizeof v[0];
    TexCoord out[n + 1];
    out[n] = {0x1234, 0x5678};
    ComputeTexCoords(v, n, out);
    for (int i = 0; i < n; i++) {
        EXPECT_EQ(out[i].u, want[i].u) << i;
        EXPECT_EQ(out[i].v, want[i].v) << i;
    }
    EXPECT_EQ(out[n].u, 0x1234);  // nothing written past the count
    // u sits at the lower address.
    uint32_t word;
    memcpy(&word, &out[3], 4);
    EXPECT_EQ(word, 64u | 66u << 16);
}

TEST(ComputeFaceNormals, WindingAndEdgeOrder) {
    Vec3 v[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Face faces[] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}};
    Vec3 n[4];
    ComputeFaceNormals(faces, 3, v, n);
    ExpectNear3(n[0], 0, 0, 1);
    ExpectNear3(n[1], 0, 0, -1);
    ExpectNear3(n[2], 0, 0, 1);

    // Random triangles: (b - a) x (c - b), normalised, bit for bit. Using
    // c - a for the second edge gives the same direction but other bits.
    RandomFloats random;
    constexpr int Count = 3000;
    std::vector<Vec3> vertices(3 * Count + 1);
    std::vector<Face> tris(Count);
    for (int i = 0; i < 3 * Count; i++) vertices[i] = random.NextVec3();
    for (int i = 0; i < Count; i++) {
        tris[i] = {uint16_t(3 * i), uint16_t(3 * i + 1), uint16_t(3 * i + 2)};
    }
    std::vector<Vec3> normals(Count + 1);
    ComputeFaceNormals(tris.data(), Count, vertices.data(), normals.data());
    for (int i = 0; i < Count; i++) {
        const Vec3 &a = vertices[3 * i], &b = vertices[3 * i + 1], &c = vertices[3 * i + 2];
        Vec3 want = ScalarNormalize(ScalarCross(ScalarSub(a, b), ScalarSub(b, c)));
        ASSERT_TRUE(SameVec3(normals[i], want)) << i;
    }
}

TEST(ComputeVertexNormals, SumsEachTouchingFaceOnceInFaceOrder) {
    // Vertex 0 is shared by faces with normals (0,0,1) and (1,0,0).
    const Face faces[] = {{0, 1, 2}, {3, 0, 4}};
    Vec3 faceNormals[3] = {{0, 0, 1}, {1, 0, 0}};
    Vec3 out[6];
    ComputeVertexNormals(faces, 2, faceNormals, 5, out);
    ExpectNear3(out[0], 0.70710678f, 0, 0.70710678f);
    ExpectNear3(out[1], 0, 0, 1);  // one face: its normal, normalised again
    ExpectNear3(out[3], 1, 0, 0);

    // A face naming the vertex twice adds its normal once: (1,1,0), not (2,1,0).
    const Face twice[] = {{0, 0, 1}, {0, 2, 3}};
    Vec3 mixed[3] = {{1, 0, 0}, {0, 1, 0}};
    ComputeVertexNormals(twice, 2, mixed, 1, out);
    ExpectNear3(out[0], 0.70710678f, 0.70710678f, 0);
}

TEST(ComputeVertexNormals, MatchScalarSumsOnARandomMesh) {
    RandomFloats random;
    std::mt19937 engine(7);
    constexpr int VertexCount = 40, FaceCount = 120;
    std::vector<Face> faces(FaceCount);
    std::vector<Vec3> faceNormals(FaceCount + 1);
    for (int f = 0; f < FaceCount; f++) {
        // Indices below 36: vertices 36..39 stay unused. Every fifth face names
        // a vertex twice, which adds its normal once.
        uint16_t a = engine() % 36, b, c;
        do b = engine() % 36; while (b == a);
        do c = engine() % 36; while (c == a || c == b);
        if (f % 5 == 4) (f % 10 == 4 ? c : b) = a;
        faces[f] = {a, b, c};
        faceNormals[f] = ScalarNormalize(random.NextVec3());
    }
    std::vector<Vec3> out(VertexCount + 1);
    ComputeVertexNormals(faces.data(), FaceCount, faceNormals.data(), VertexCount, out.data());
    for (int v = 0; v < VertexCount; v++) {
        Vec3 sum = {0, 0, 0};
        for (int f = 0; f < FaceCount; f++) {
            if (faces[f].a == v || faces[f].b == v || faces[f].c == v) {
                sum = {sum.x + faceNormals[f].x, sum.y + faceNormals[f].y, sum.z + faceNormals[f].z};
            }
        }
        EXPECT_TRUE(SameVec3(out[v], ScalarNormalize(sum))) << v;
    }
}

TEST(MeshPrep, DegenerateInputsDoNotDisturbTheRest) {
    // A zero-area face and an unused vertex: their results are undefined,
    // the sound face and vertices around them must still be right.
    Vec3 v[6] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {9, 9, 9}};
    const Face faces[] = {{0, 1, 3}, {0, 1, 2}};
    Vec3 faceNormals[3], vertexNormals[6];
    ComputeFaceNormals(faces, 2, v, faceNormals);
    ExpectNear3(faceNormals[1], 0, 0, 1);
    ComputeVertexNormals(faces, 2, faceNormals, 5, vertexNormals);
    ExpectNear3(vertexNormals[2], 0, 0, 1);
}

// The whole preparation of the embedded model, as start-up runs it.
TEST(MeshPrep, EmbeddedModel) {
    std::vector<Vec3> vertices(MaxModelVertices + 1);
    std::vector<Face> faces(MaxModelFaces);
    ModelCounts counts = ReadModel(EmbeddedModel, EmbeddedModelBytes, vertices.data(), faces.data());
    ASSERT_EQ(counts.vertexCount, EmbeddedVertexCount);
    NormalizeModel(vertices.data(), counts.vertexCount);

    Vec3 lo = vertices[0], hi = vertices[0];
    for (int i = 0; i < counts.vertexCount; i++) {
        const Vec3& p = vertices[i];
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    // x spans -1..1, every axis is centred, y and z keep their proportions.
    EXPECT_NEAR(lo.x, -1.0f, EstimateTolerance);
    EXPECT_NEAR(hi.x, 1.0f, EstimateTolerance);
    EXPECT_NEAR(hi.x + lo.x, 0.0f, 1e-5f);
    EXPECT_NEAR(hi.y + lo.y, 0.0f, 1e-5f);
    EXPECT_NEAR(hi.z + lo.z, 0.0f, 1e-5f);
    EXPECT_NEAR(hi.y, 0.824f, 0.01f);
    EXPECT_NEAR(hi.z, 0.467f, 0.01f);

    std::vector<TexCoord> tex(counts.vertexCount);
    ComputeTexCoords(vertices.data(), counts.vertexCount, tex.data());
    int uMin = 1000, uMax = -1000;
    for (const TexCoord& t : tex) {
        uMin = std::min<int>(uMin, t.u);
        uMax = std::max<int>(uMax, t.u);
        EXPECT_GE(t.v, 0);
        EXPECT_LE(t.v, 128);
    }
    EXPECT_EQ(uMin, 0);
    EXPECT_EQ(uMax, 128);

    std::vector<Vec3> faceNormals(counts.faceCount + 1), vertexNormals(counts.vertexCount + 1);
    ComputeFaceNormals(faces.data(), counts.faceCount, vertices.data(), faceNormals.data());
    ComputeVertexNormals(faces.data(), counts.faceCount, faceNormals.data(), counts.vertexCount,
                         vertexNormals.data());
    // Every vertex is used and no face is degenerate: all normals are unit.
    for (int i = 0; i < counts.vertexCount; i++) {
        const Vec3& n = vertexNormals[i];
        float length = std::sqrt((n.x * n.x + n.y * n.y) + n.z * n.z);
        ASSERT_NEAR(length, 1.0f, EstimateTolerance) << i;
    }
}
