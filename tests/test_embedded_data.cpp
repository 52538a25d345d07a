// The embedded data itself: the model stream's layout and the mesh properties
// the renderer relies on, the face class runs, and the band picture's header
// and proportions. The bytes are parsed here directly, not through ReadModel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "assets/embedded_data.h"
#include "core/reciprocal.h"
#include "tests/support/embedded_model_layout.h"

namespace {

uint32_t Read16(const uint8_t* bytes, size_t at) { return bytes[at] | bytes[at + 1] << 8; }
uint32_t Read32(const uint8_t* bytes, size_t at) { return Read16(bytes, at) | Read16(bytes, at + 2) << 16; }

FaceClass EmbeddedClassOf(uint32_t face) { return FaceClassIn(FaceClassTable, sizeof FaceClassTable, face); }

struct Triangle {
    uint32_t v[3];
};

std::vector<Vec3> StoredVertices() {
    std::vector<Vec3> vertices(EmbeddedVertexCount);
    std::memcpy(vertices.data(), EmbeddedModel + VertexDataOffset, EmbeddedVertexCount * sizeof(Vec3));
    return vertices;
}

std::vector<Triangle> StoredFaces() {
    std::vector<Triangle> faces(EmbeddedFaceCount);
    for (int f = 0; f < EmbeddedFaceCount; ++f)
        for (int k = 0; k < 3; ++k) faces[f].v[k] = Read16(EmbeddedModel, FaceDataOffset + 8 * f + 2 * k);
    return faces;
}

// The positions as the program prepares them: centred on the box middle and
// scaled by the reciprocal of the largest centred value (estimated, or exact in
// portable mode).
std::vector<Vec3> NormalizedVertices() {
    std::vector<Vec3> vertices = StoredVertices();
    float m = 0;
    for (int axis = 0; axis < 3; ++axis) {
        float lo = (&vertices[0].x)[axis], hi = lo;
        for (const Vec3& p : vertices) {
            lo = std::fmin(lo, (&p.x)[axis]);
            hi = std::fmax(hi, (&p.x)[axis]);
        }
        const float centre = (hi + lo) / 2.0f;
        for (Vec3& p : vertices) {
            (&p.x)[axis] -= centre;
            m = std::fmax(m, (&p.x)[axis]);
        }
    }
    const float s = ReciprocalOf(m);
    for (Vec3& p : vertices) p = {p.x * s, p.y * s, p.z * s};
    return vertices;
}

// (b - a) x (c - b), each product rounded to float, as the face normal pass forms it.
Vec3 FaceCross(const std::vector<Vec3>& v, const Triangle& t) {
    const Vec3 a = v[t.v[0]], b = v[t.v[1]], c = v[t.v[2]];
    const Vec3 e1 = {b.x - a.x, b.y - a.y, b.z - a.z}, e2 = {c.x - b.x, c.y - b.y, c.z - b.z};
    return {e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
}

double Length(Vec3 p) { return std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z); }

TEST(EmbeddedModel, ChunkLayoutIsTheFixedOne) {
    EXPECT_EQ(Read16(EmbeddedModel, 0), 0x4D4Du);
    EXPECT_EQ(Read32(EmbeddedModel, 2), EmbeddedModelBytes);
    // Every inner chunk is sought, never skipped, so its length is 0.
    const struct { size_t at; uint32_t id; } chunks[] = {
        {6, 0x3D3D}, {12, 0x4000}, {19, 0x4100}, {25, 0x4110}, {FaceListOffset, 0x4120}};
    for (const auto& chunk : chunks) {
        EXPECT_EQ(Read16(EmbeddedModel, chunk.at), chunk.id) << "at " << chunk.at;
        EXPECT_EQ(Read32(EmbeddedModel, chunk.at + 2), 0u) << "at " << chunk.at;
    }
    EXPECT_EQ(EmbeddedModel[18], 0) << "the object name is empty";
    EXPECT_EQ(Read16(EmbeddedModel, 31), uint32_t(EmbeddedVertexCount));
    EXPECT_EQ(Read16(EmbeddedModel, FaceListOffset + 6), uint32_t(EmbeddedFaceCount));
    EXPECT_EQ(FaceDataOffset + 8 * EmbeddedFaceCount, EmbeddedModelBytes);
    for (int f = 0; f < EmbeddedFaceCount; ++f) ASSERT_EQ(Read16(EmbeddedModel, FaceDataOffset + 8 * f + 6), 0u) << f;
}

TEST(EmbeddedModel, FacesAreValidAndUseEveryVertex) {
    std::vector<int> uses(EmbeddedVertexCount, 0);
    for (const Triangle& t : StoredFaces()) {
        for (uint32_t v : t.v) {
            ASSERT_LT(v, uint32_t(EmbeddedVertexCount));
            ++uses[v];
        }
        EXPECT_TRUE(t.v[0] != t.v[1] && t.v[1] != t.v[2] && t.v[0] != t.v[2]);
    }
    for (int v = 0; v < EmbeddedVertexCount; ++v) EXPECT_GT(uses[v], 0) << "vertex " << v;
}

TEST(EmbeddedModel, PositionsFillTheStoredBox) {
    const std::vector<Vec3> vertices = StoredVertices();
    float lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = hi[axis] = (&vertices[0].x)[axis];
        for (const Vec3& p : vertices) {
            ASSERT_TRUE(std::isfinite((&p.x)[axis]));
            lo[axis] = std::fmin(lo[axis], (&p.x)[axis]);
            hi[axis] = std::fmax(hi[axis], (&p.x)[axis]);
        }
    }
    const float size[3] = {796, 656, 372};
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(hi[axis] - lo[axis], size[axis], size[axis] * 0.01f) << axis;
    // Far from the origin in x and y; z centred on 0.
    EXPECT_GE(lo[0], 990.0f);
    EXPECT_LE(hi[0], 1806.0f);
    EXPECT_GE(lo[1], 1990.0f);
    EXPECT_LE(hi[1], 2666.0f);
    EXPECT_EQ(lo[2], -hi[2]);
}

TEST(EmbeddedModel, PreparedFacesAndVertexNormalsAreDefined) {
    const std::vector<Vec3> v = NormalizedVertices();
    std::vector<Vec3> sums(EmbeddedVertexCount, Vec3{0, 0, 0});
    for (const Triangle& t : StoredFaces()) {
        const Vec3 n = FaceCross(v, t);
        const double length = Length(n);
        ASSERT_GT(length, 0.0) << "zero-area face " << t.v[0] << " " << t.v[1] << " " << t.v[2];
        for (uint32_t i : t.v) {
            sums[i].x += float(n.x / length);
            sums[i].y += float(n.y / length);
            sums[i].z += float(n.z / length);
        }
    }
    // A vertex whose face normals cancel would get a NaN shading normal.
    for (int i = 0; i < EmbeddedVertexCount; ++i) EXPECT_GT(Length(sums[i]), 0.25) << "vertex " << i;
}

TEST(EmbeddedModel, NormalizedShapeHasTheExpectedProportions) {
    const std::vector<Vec3> v = NormalizedVertices();
    float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
    for (const Vec3& p : v)
        for (int axis = 0; axis < 3; ++axis) {
            lo[axis] = std::fmin(lo[axis], (&p.x)[axis]);
            hi[axis] = std::fmax(hi[axis], (&p.x)[axis]);
        }
    EXPECT_NEAR(lo[0], -1.0f, 0.001f);
    EXPECT_NEAR(hi[0], 1.0f, 0.001f);
    EXPECT_NEAR(hi[1], 0.824f, 0.01f);
    EXPECT_NEAR(hi[2], 0.467f, 0.01f);
    EXPECT_EQ(lo[2], -hi[2]);
}

TEST(EmbeddedModel, WindingPointsOutwards) {
    // Counter-clockwise faces seen from outside enclose a positive volume.
    const std::vector<Vec3> v = NormalizedVertices();
    double volume = 0;
    for (const Triangle& t : StoredFaces()) {
        const Vec3 a = v[t.v[0]], b = v[t.v[1]], c = v[t.v[2]];
        volume += a.x * (double(b.y) * c.z - double(b.z) * c.y) + a.y * (double(b.z) * c.x - double(b.x) * c.z) +
                  a.z * (double(b.x) * c.y - double(b.y) * c.x);
    }
    EXPECT_GT(volume / 6, 0.3);
}

TEST(EmbeddedModel, GlassFacesTheFrontAndCarriesThePictureBand) {
    const std::vector<Vec3> v = NormalizedVertices();
    const std::vector<Triangle> faces = StoredFaces();
    double facing = 0;
    float vLo = 1e9f, vHi = -1e9f, uLo = 1e9f, uHi = -1e9f;
    for (int f = 0; f < EmbeddedFaceCount; ++f) {
        if (EmbeddedClassOf(f) != 1) continue;
        facing += FaceCross(v, faces[f]).z;
        for (uint32_t i : faces[f].v) {
            vLo = std::fmin(vLo, v[i].y * 64.0f + 64.0f);
            vHi = std::fmax(vHi, v[i].y * 64.0f + 64.0f);
            uLo = std::fmin(uLo, v[i].x * 64.0f + 64.0f);
            uHi = std::fmax(uHi, v[i].x * 64.0f + 64.0f);
        }
    }
    EXPECT_LT(facing, 0.0) << "the glass faces -z";
    // The picture fills texture rows 50..83; the glass spans all of them and
    // most of the texture's width.
    EXPECT_LE(vLo, 50.0f);
    EXPECT_GE(vHi, 84.0f);
    EXPECT_GE(uHi - uLo, 80.0f);
}

TEST(FaceClassTable, RunsMatchTheModelParts) {
    const struct { int first, last, faceClass; } runs[] = {
        {0, 51, 1},       {52, 428, 2},     {429, 761, 3},    {762, 777, 2},    {778, 791, 3},   {792, 1031, 4},
        {1032, 1269, 5},  {1270, 1466, 6},  {1467, 1702, 7},  {1703, 1928, 8},  {1929, 1931, 9}};
    int next = 0;
    for (const auto& run : runs) {
        ASSERT_EQ(run.first, next);
        for (int f = run.first; f <= run.last; ++f) ASSERT_EQ(EmbeddedClassOf(f), run.faceClass) << "face " << f;
        next = run.last + 1;
    }
    EXPECT_EQ(next, FaceClassCount);
    EXPECT_EQ(EmbeddedClassOf(FaceClassCount), NoFaceClass);
}

TEST(FaceClassTable, FacesPastTheTableAndEntriesOutsideTheClassesHaveNone) {
    // Entries 1, 9, 0, 10, 257, 65535, then a lone byte that is no entry.
    const uint8_t table[] = {1, 0, 9, 0, 0, 0, 10, 0, 1, 1, 0xFF, 0xFF, 5};
    const FaceClass expected[] = {1, 9, NoFaceClass, NoFaceClass, NoFaceClass, NoFaceClass, NoFaceClass};
    for (uint32_t face = 0; face < 7; ++face) EXPECT_EQ(FaceClassIn(table, sizeof table, face), expected[face]) << face;
    EXPECT_EQ(FaceClassIn(table, sizeof table, UINT32_MAX), NoFaceClass);
}

TEST(BandImage, HeaderFieldsAreTheFixedOnes) {
    EXPECT_EQ(BandImage[0], 'B');
    EXPECT_EQ(BandImage[1], 'M');
    const struct { size_t at, size; uint32_t value; } fields[] = {
        {2, 4, 5430}, {6, 2, 0},  {8, 2, 0},  {10, 4, 1078}, {14, 4, 40},   {18, 4, 128},  {22, 4, 34},
        {26, 2, 1},   {28, 2, 8}, {30, 4, 0}, {34, 4, 4352}, {38, 4, 3780}, {42, 4, 3780}, {46, 4, 256},
        {50, 4, 0}};
    for (const auto& field : fields) {
        const uint32_t value = field.size == 2 ? Read16(BandImage, field.at) : Read32(BandImage, field.at);
        EXPECT_EQ(value, field.value) << "offset " << field.at;
    }
    for (int entry = 0; entry < 256; ++entry) EXPECT_EQ(BandImage[54 + 4 * entry + 3], 0) << "palette " << entry;
}

TEST(BandImage, PictureIsDarkRedShapesOnWhite) {
    int white = 0, dark = 0, reddish = 0;
    constexpr int Pixels = 128 * 34;
    for (int p = 0; p < Pixels; ++p) {
        const uint8_t* entry = BandImage + 54 + 4 * BandImage[1078 + p];
        const int blue = entry[0], green = entry[1], red = entry[2];
        const int grey = (red + green + blue) / 3;
        if (grey >= 240) ++white;
        if (grey >= 32 && grey <= 63) {
            ++dark;
            if (red > 2 * green && red > 2 * blue) ++reddish;
        }
    }
    EXPECT_NEAR(double(white) / Pixels, 1.0 / 3, 0.06);
    EXPECT_NEAR(double(dark) / Pixels, 0.5, 0.06);
    EXPECT_EQ(reddish, dark) << "the dark shapes are red";
    EXPECT_GT(Pixels - white - dark, Pixels / 10) << "soft edges between ink and paper";
}

TEST(BandImage, LetterInkLiesWhereTheGlassShowsIt) {
    // Texture column c holds picture column 127 - c, and u = 64x + 64, so the
    // glass shows the picture columns 127 - uHi .. 127 - uLo.
    const std::vector<Vec3> v = NormalizedVertices();
    const std::vector<Triangle> faces = StoredFaces();
    float uLo = 1e9f, uHi = -1e9f;
    for (int f = 0; f < EmbeddedFaceCount; ++f)
        if (EmbeddedClassOf(f) == 1)
            for (uint32_t i : faces[f].v) {
                uLo = std::fmin(uLo, v[i].x * 64.0f + 64.0f);
                uHi = std::fmax(uHi, v[i].x * 64.0f + 64.0f);
            }
    const float firstShown = 127 - uHi, lastShown = 127 - uLo;
    // Between the frame strokes above and below the word and away from its end
    // strokes (the outer 12 columns), every inked pixel lies within the glass.
    int inked = 0;
    for (int row = 8; row < 26; ++row)
        for (int col = 12; col < 116; ++col) {
            const uint8_t index = BandImage[1078 + (33 - row) * 128 + col];
            const uint8_t* entry = BandImage + 54 + 4 * index;
            if ((entry[0] + entry[1] + entry[2]) / 3 > 160) continue;
            ++inked;
            EXPECT_GE(col, firstShown) << "row " << row;
            EXPECT_LE(col, lastShown) << "row " << row;
        }
    EXPECT_GT(inked, 18 * 90 / 3) << "the word is bold";
}

}  // namespace
