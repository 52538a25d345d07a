// ReadModel on small hand-built chunk streams and on the embedded model.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "assets/embedded_data.h"
#include "assets/model_reader.h"
#include "core/scene_arrays.h"
#include "tests/support/chunk_writer.h"
#include "tests/support/embedded_model_layout.h"

namespace {

constexpr uint16_t MainId = 0x4D4D;
constexpr uint16_t EditorId = 0x3D3D;
constexpr uint16_t ObjectId = 0x4000;
constexpr uint16_t MeshId = 0x4100;
constexpr uint16_t VertexListId = 0x4110;
constexpr uint16_t FaceListId = 0x4120;
constexpr uint8_t FillByte = 0xAB;  // fill byte of the output arrays

struct TestObject {
    std::string name;
    std::vector<Vec3> vertices;
    std::vector<Face> faces;
};

// Model streams. Sought chunks get length 0, as in the embedded stream: the
// reader enters them without looking at their length.
struct ModelWriter : ChunkWriter {
    bool foreignEverywhere = false;  // put a chunk to skip at every place one may stand
    bool realLengths = false;        // object, mesh and list chunks say where they end

    // A chunk the reader must skip by its length. Its payload repeats the
    // sought ids, so a reader that looks inside it goes wrong.
    void Foreign(uint16_t id) {
        size_t at = Header(id);
        for (uint16_t sought : {MainId, EditorId, ObjectId, MeshId, VertexListId, FaceListId}) {
            U16(sought);
            U32(0);
        }
        bytes.push_back(0);
        CloseChunk(at);
    }
    void MaybeForeign(uint16_t id) {
        if (foreignEverywhere) Foreign(id);
    }
    void Close(size_t at) {
        if (realLengths) CloseChunk(at);
    }
    // Writes one object; returns the offset right after its last face record.
    // Without vertices or faces the object has no such list at all.
    size_t Object(const TestObject& object, bool withMesh = true) {
        const size_t objectAt = Header(ObjectId);
        bytes.insert(bytes.end(), object.name.begin(), object.name.end());
        bytes.push_back(0);
        MaybeForeign(VertexListId);  // between the name and the mesh
        if (!withMesh) {
            Foreign(0x4700);  // a camera's chunk
            Close(objectAt);
            return bytes.size();
        }
        const size_t meshAt = Header(MeshId);
        MaybeForeign(FaceListId);  // between the mesh header and the vertex list
        if (!object.vertices.empty()) {
            const size_t listAt = Header(VertexListId);
            U16(static_cast<uint16_t>(object.vertices.size()));
            for (const Vec3& v : object.vertices) {
                const uint8_t* raw = reinterpret_cast<const uint8_t*>(&v);
                bytes.insert(bytes.end(), raw, raw + sizeof v);
            }
            Close(listAt);
        }
        MaybeForeign(VertexListId);  // between the vertex list and the face list
        size_t end = bytes.size();
        if (!object.faces.empty()) {
            const size_t listAt = Header(FaceListId);
            U16(static_cast<uint16_t>(object.faces.size()));
            for (const Face& f : object.faces) {
                U16(f.a);
                U16(f.b);
                U16(f.c);
                U16(0x0007);  // flags, dropped
            }
            end = bytes.size();
            Close(listAt);
        }
        MaybeForeign(MeshId);  // after the face list
        Close(meshAt);
        Close(objectAt);
        return end;
    }
};

// A complete stream: main chunk, editor chunk, then the objects. objectEnds
// receives where each object's face data ends.
std::vector<uint8_t> MakeStream(const std::vector<TestObject>& objects, bool foreignEverywhere,
                                std::vector<size_t>* objectEnds = nullptr) {
    ModelWriter w;
    w.foreignEverywhere = foreignEverywhere;
    size_t main = w.Header(MainId);
    w.MaybeForeign(0x0002);  // before the editor chunk
    w.Header(EditorId);
    w.MaybeForeign(0xB000);  // between the editor header and the first object
    for (const TestObject& object : objects) {
        size_t end = w.Object(object);
        if (objectEnds) objectEnds->push_back(end);
    }
    w.CloseChunk(main);
    return w.bytes;
}

Vec3 V(float x, float y, float z) { return Vec3{x, y, z}; }

// Three and four vertices; the second object's positions include a signalling
// NaN and -0, which must be copied bit for bit.
TestObject Triangle() {
    return {"tri", {V(1, 2, 3), V(4, 5, 6), V(7, 8, 9)}, {{0, 1, 2}, {2, 1, 0}}};
}
TestObject Quad() {
    float nan;
    uint32_t nanBits = 0x7F800001;
    memcpy(&nan, &nanBits, 4);
    return {"quad", {V(-1, -2, -3), V(nan, -0.0f, 1e30f), V(0.5f, 0.25f, 0.125f), V(10, 20, 30)},
            {{0, 1, 2}, {0, 2, 3}, {3, 3, 1}}};
}

// The quad with every coordinate a finite number, as a drawable model has.
TestObject FiniteQuad() {
    TestObject quad = Quad();
    quad.vertices[1] = V(0, -0.0f, 1e30f);
    return quad;
}

// Output arrays with exactly the room ReadModel may use, filled with a mark.
struct ModelOutput {
    std::vector<Vec3> vertices;
    std::vector<Face> faces;
    ModelOutput() : vertices(MaxModelVertices + 1), faces(MaxModelFaces) {
        memset(vertices.data(), FillByte, vertices.size() * sizeof(Vec3));
        memset(faces.data(), FillByte, faces.size() * sizeof(Face));
    }
    bool IsUntouched() const {
        auto all = [](const void* p, size_t n) {
            const uint8_t* b = static_cast<const uint8_t*>(p);
            for (size_t i = 0; i < n; i++)
                if (b[i] != FillByte) return false;
            return true;
        };
        return all(vertices.data(), vertices.size() * sizeof(Vec3)) &&
               all(faces.data(), faces.size() * sizeof(Face));
    }
    uint32_t WordAfterVertex(size_t count) const {
        uint32_t word;
        memcpy(&word, &vertices[count], 4);
        return word;
    }
};

// Reads from a heap copy of exactly `size` bytes, so that any read past the
// given size is an out-of-bounds access for the address sanitizer.
ModelCounts ReadExact(const std::vector<uint8_t>& stream, size_t size, ModelOutput& out) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
    memcpy(exact.get(), stream.data(), size);
    return ReadModel(exact.get(), size, out.vertices.data(), out.faces.data());
}
ModelCounts ReadExact(const std::vector<uint8_t>& stream, ModelOutput& out) {
    return ReadExact(stream, stream.size(), out);
}

// Checks the outputs against the objects concatenated, indices offset by base.
void ExpectModel(const ModelCounts& counts, const ModelOutput& out,
                 const std::vector<TestObject>& objects) {
    size_t vertexTotal = 0, faceTotal = 0;
    for (const TestObject& object : objects) {
        for (size_t i = 0; i < object.vertices.size(); i++) {
            EXPECT_EQ(0, memcmp(&out.vertices[vertexTotal + i], &object.vertices[i], sizeof(Vec3)))
                << "vertex " << vertexTotal + i;
        }
        for (size_t i = 0; i < object.faces.size(); i++) {
            const Face& got = out.faces[faceTotal + i];
            const Face& stored = object.faces[i];
            EXPECT_EQ(got.a, stored.a + vertexTotal) << "face " << faceTotal + i;
            EXPECT_EQ(got.b, stored.b + vertexTotal) << "face " << faceTotal + i;
            EXPECT_EQ(got.c, stored.c + vertexTotal) << "face " << faceTotal + i;
        }
        vertexTotal += object.vertices.size();
        faceTotal += object.faces.size();
    }
    EXPECT_EQ(counts.vertexCount, vertexTotal);
    EXPECT_EQ(counts.faceCount, faceTotal);
    EXPECT_EQ(out.WordAfterVertex(vertexTotal), 0xFFFFFFFFu);
}

}  // namespace

TEST(ModelReader, ConcatenatesObjectsWithForeignChunksAnywhere) {
    for (bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "with foreign chunks" : "plain");
        ModelOutput out;
        ModelCounts counts = ReadExact(MakeStream({Triangle(), Quad()}, foreign), out);
        ExpectModel(counts, out, {Triangle(), Quad()});
        // The second object's face (0, 1, 2) becomes (3, 4, 5), and its first
        // vertex overwrote the spare word written after the third vertex.
        EXPECT_EQ(out.faces[2].a, 3);
        EXPECT_EQ(out.faces[2].b, 4);
        EXPECT_EQ(out.faces[2].c, 5);
        EXPECT_EQ(out.vertices[3].x, -1.0f);
        // Nothing written past the spare word.
        const uint8_t* after = reinterpret_cast<const uint8_t*>(&out.vertices[7]) + 4;
        EXPECT_EQ(after[0], FillByte);
        EXPECT_EQ(reinterpret_cast<const uint8_t*>(&out.faces[5])[0], FillByte);
    }
}

TEST(ModelReader, PassesOverNamesOfAnyLength) {
    for (size_t length : {0u, 1u, 5u, 6u, 300u}) {
        TestObject first = Triangle();
        TestObject second = Quad();
        // Names made of bytes that look like chunk ids.
        first.name.assign(length, '\x41');
        second.name.assign(length, '\x10');
        ModelOutput out;
        ModelCounts counts = ReadExact(MakeStream({first, second}, true), out);
        SCOPED_TRACE(length);
        ExpectModel(counts, out, {first, second});
    }
}

TEST(ModelReader, ObjectsOutsideTheEditorChunkAreReadToo) {
    // Editor chunk with its real length holding the first object; then, as
    // later children of the main chunk, a foreign chunk and a second object.
    ModelWriter w;
    size_t main = w.Header(MainId);
    size_t editor = w.Header(EditorId);
    w.Object(Triangle());
    w.CloseChunk(editor);
    w.Foreign(0xB000);
    w.Object(Quad());
    w.CloseChunk(main);
    ModelOutput out;
    ExpectModel(ReadExact(w.bytes, out), out, {Triangle(), Quad()});
}

TEST(ModelReader, StopsAtTheEndOfTheMainChunk) {
    // Last face list ends exactly at the end of the stream: no read beyond.
    std::vector<uint8_t> stream = MakeStream({Triangle(), Quad()}, false);
    ModelOutput out;
    ExpectModel(ReadExact(stream, out), out, {Triangle(), Quad()});

    // An object after the main chunk's end is not part of the model.
    std::vector<size_t> ends;
    stream = MakeStream({Triangle(), Quad()}, false, &ends);
    uint32_t mainLength = static_cast<uint32_t>(ends[0]);
    memcpy(&stream[2], &mainLength, 4);
    ModelOutput out2;
    ExpectModel(ReadExact(stream, out2), out2, {Triangle()});
}

TEST(ModelReader, WithoutMainChunkIdNothingIsRead) {
    std::vector<uint8_t> stream = MakeStream({Triangle()}, false);
    for (uint16_t id : {uint16_t(0x4D4C), uint16_t(0x3D3D), uint16_t(0x0000), uint16_t(0x4C4D)}) {
        stream[0] = static_cast<uint8_t>(id);
        stream[1] = static_cast<uint8_t>(id >> 8);
        ModelOutput out;
        ModelCounts counts = ReadExact(stream, out);
        EXPECT_EQ(counts.vertexCount, 0);
        EXPECT_EQ(counts.faceCount, 0);
        EXPECT_TRUE(out.IsUntouched());
    }
}

TEST(ModelReader, TruncatedStreamKeepsOnlyCompleteObjects) {
    // Every prefix of a two-object stream, given as the true size while the
    // main chunk still claims the whole length: the objects that end inside
    // the prefix are kept, the one cut off and everything after it are not.
    std::vector<size_t> ends;
    std::vector<uint8_t> stream = MakeStream({Triangle(), Quad()}, true, &ends);
    for (size_t size = 0; size <= stream.size(); size++) {
        ModelOutput out;
        ModelCounts counts = ReadExact(stream, size, out);
        SCOPED_TRACE(size);
        if (size < ends[0]) {
            EXPECT_EQ(counts.vertexCount, 0);
            EXPECT_EQ(counts.faceCount, 0);
            EXPECT_TRUE(out.IsUntouched());
        } else if (size < ends[1]) {
            ExpectModel(counts, out, {Triangle()});
        } else {
            ExpectModel(counts, out, {Triangle(), Quad()});
        }
    }
}

// A skipped chunk too short to step over (length below 6), or one whose length
// runs past the end of the stream, ends the walk.
TEST(ModelReader, SkipsThatCannotAdvanceOrLeaveTheStreamEndTheWalk) {
    for (uint32_t length : {0u, 1u, 5u, 1000u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(length);
        // Before the editor chunk: nothing is read.
        ModelWriter w;
        size_t main = w.Header(MainId);
        w.Header(0x0002, length);
        w.Header(EditorId);
        w.Object(Triangle());
        w.CloseChunk(main);
        ModelOutput out;
        ModelCounts counts = ReadExact(w.bytes, out);
        EXPECT_EQ(counts.vertexCount, 0);
        EXPECT_TRUE(out.IsUntouched());

        // After the first object, in the object search: the first is kept.
        ModelWriter w2;
        main = w2.Header(MainId);
        w2.Header(EditorId);
        w2.Object(Triangle());
        w2.Header(0xB000, length);
        w2.Object(Quad());
        w2.CloseChunk(main);
        ModelOutput out2;
        ExpectModel(ReadExact(w2.bytes, out2), out2, {Triangle()});
    }
}

TEST(ModelReader, MissingChunksEndTheWalk) {
    // No editor chunk at all.
    ModelWriter w;
    size_t main = w.Header(MainId);
    w.Foreign(0x0002);
    w.CloseChunk(main);
    ModelOutput out;
    EXPECT_EQ(ReadExact(w.bytes, out).vertexCount, 0);
    EXPECT_TRUE(out.IsUntouched());

    // Second object without its face list: the search runs to the end.
    std::vector<size_t> ends;
    std::vector<uint8_t> stream = MakeStream({Triangle(), Quad()}, false, &ends);
    size_t faceListAt = ends[1] - 8 - Quad().faces.size() * 8;
    stream.resize(faceListAt);
    uint32_t mainLength = static_cast<uint32_t>(stream.size());
    memcpy(&stream[2], &mainLength, 4);
    ModelOutput out2;
    ExpectModel(ReadExact(stream, out2), out2, {Triangle()});

    // Second object whose name has no terminating NUL before the end.
    ModelWriter w3;
    main = w3.Header(MainId);
    w3.Header(EditorId);
    w3.Object(Triangle());
    w3.Header(ObjectId);
    w3.bytes.insert(w3.bytes.end(), 20, 'n');
    w3.CloseChunk(main);
    ModelOutput out3;
    ExpectModel(ReadExact(w3.bytes, out3), out3, {Triangle()});
}

TEST(ModelReader, FaceIndexOutsideItsObjectEndsTheWalk) {
    TestObject bad = Quad();
    bad.faces[1].c = 4;  // the object has vertices 0..3
    ModelOutput out;
    ExpectModel(ReadExact(MakeStream({Triangle(), bad, Triangle()}, false), out), out, {Triangle()});

    TestObject edge = Quad();
    edge.faces[1].c = 3;  // the last vertex is fine
    ModelOutput out2;
    ExpectModel(ReadExact(MakeStream({Triangle(), edge}, false), out2), out2, {Triangle(), edge});

    TestObject noVertices = {"", {}, {{0, 0, 0}}};
    ModelOutput out3;
    ExpectModel(ReadExact(MakeStream({Triangle(), noVertices}, false), out3), out3, {Triangle()});
}

TEST(ModelReader, TotalsStayWithinTheModelLimits) {
    // One object at both limits, the most a 3DS list holds, is read whole.
    TestObject full;
    for (int i = 0; i < MaxModelVertices; i++) full.vertices.push_back(V(float(i), float(i % 7), 0));
    for (int i = 0; i < MaxModelFaces; i++) {
        uint16_t a = static_cast<uint16_t>(i);
        full.faces.push_back({a, uint16_t((a + 1) % MaxModelVertices), uint16_t((a + 2) % MaxModelVertices)});
    }
    const std::vector<uint8_t> whole = MakeStream({full}, false);
    ModelOutput out;
    ExpectModel(ReadExact(whole, out), out, {full});
    const ModelCheck check = CheckModel(whole.data(), whole.size());
    EXPECT_EQ(check.problem, "");
    EXPECT_EQ(check.faceCount, uint32_t(MaxModelFaces));

    // A second object past either limit is left out by the reader and named
    // by the check with the whole model's totals.
    TestObject fewVertices = full, manyFaces = Triangle();
    fewVertices.vertices.resize(2);
    fewVertices.faces.assign(1, {0, 1, 1});
    manyFaces.faces.assign(MaxModelFaces, {0, 1, 2});
    const struct { TestObject first, second; const char* problem; } overs[] = {
        {Triangle(), manyFaces, "65537 faces in all, more than the 65535 a model may have"},
        {fewVertices, full, "65537 vertices in all, more than the 65535 a model may have"}};
    for (const auto& over : overs) {
        const std::vector<uint8_t> stream = MakeStream({over.first, over.second}, false);
        ModelOutput partial;
        ExpectModel(ReadExact(stream, partial), partial, {over.first});
        EXPECT_EQ(CheckModel(stream.data(), stream.size()).problem, over.problem);
    }
}

// Where object, mesh and list chunks say where they end, searches stay
// inside them: an object without a mesh (a camera) is passed over instead of
// taking the next object's mesh, and a mesh without a face list ends the walk
// instead of taking the next object's faces.
TEST(ModelReader, SearchesStayInsideChunksOfKnownLength) {
    ModelWriter w;
    w.realLengths = true;
    size_t main = w.Header(MainId);
    size_t editor = w.Header(EditorId);
    w.Object(Triangle());
    w.Object({"camera", {}, {}}, false);
    w.Object(FiniteQuad());
    w.CloseChunk(editor);
    w.CloseChunk(main);
    ModelOutput out;
    std::vector<uint16_t> objects(MaxModelFaces, 0xABCD);
    std::unique_ptr<uint8_t[]> exact(new uint8_t[w.bytes.size()]);
    memcpy(exact.get(), w.bytes.data(), w.bytes.size());
    const ModelCounts counts =
        ReadModel(exact.get(), w.bytes.size(), out.vertices.data(), out.faces.data(), objects.data());
    ExpectModel(counts, out, {Triangle(), FiniteQuad()});
    // Each object with faces has its number; the camera has none.
    EXPECT_EQ(std::vector<uint16_t>(objects.begin(), objects.begin() + 6),
              (std::vector<uint16_t>{0, 0, 1, 1, 1, 0xABCD}));
    EXPECT_EQ(CheckModel(w.bytes.data(), w.bytes.size()).problem, "");

    ModelWriter noFaces;
    noFaces.realLengths = true;
    main = noFaces.Header(MainId);
    noFaces.Header(EditorId);
    noFaces.Object(Triangle());
    noFaces.Object({"points", {V(1, 1, 1)}, {}});
    noFaces.Object(Quad());
    noFaces.CloseChunk(main);
    ModelOutput out2;
    ExpectModel(ReadExact(noFaces.bytes, out2), out2, {Triangle()});
    EXPECT_EQ(CheckModel(noFaces.bytes.data(), noFaces.bytes.size()).problem,
              "object 2 ('points') has a triangle mesh without a face list");
}

// Every stream the check passes is read whole, with the check's totals; every
// other gets one sentence saying what is wrong, and where.
TEST(CheckModel, PassesWholeModelsAndNamesWhatIsWrongWithTheRest) {
    for (bool foreign : {false, true}) {
        const std::vector<uint8_t> stream = MakeStream({Triangle(), FiniteQuad(), Triangle()}, foreign);
        const ModelCheck check = CheckModel(stream.data(), stream.size());
        EXPECT_EQ(check.problem, "");
        ModelOutput out;
        const ModelCounts counts = ReadExact(stream, out);
        EXPECT_EQ(check.vertexCount, counts.vertexCount);
        EXPECT_EQ(check.faceCount, counts.faceCount);
    }

    TestObject cube = Triangle();
    cube.name = "cube";
    TestObject badIndex = cube, notFinite = Triangle(), flat = cube, noFaces = cube;
    badIndex.faces[1].b = 3;
    notFinite.vertices[2].y = std::numeric_limits<float>::infinity();
    for (Vec3& v : flat.vertices) v = V(2, 2, 2);
    noFaces.faces.clear();
    std::vector<uint8_t> shortMain = MakeStream({Triangle()}, false);
    shortMain.resize(shortMain.size() - 1);
    std::vector<uint8_t> listPastEnd = MakeStream({Triangle(), cube}, false);
    listPastEnd[2] = static_cast<uint8_t>(listPastEnd.size() - 1);  // the main chunk ends in the last face
    std::vector<uint8_t> notModel = MakeStream({Triangle()}, false);
    notModel[0] = 'X';

    ModelWriter tooShort;
    size_t main = tooShort.Header(MainId);
    tooShort.Header(EditorId);
    tooShort.Object(Triangle());
    tooShort.Header(0xB000, 3);
    tooShort.CloseChunk(main);

    const struct { std::vector<uint8_t> stream; std::string problem; } cases[] = {
        {{}, "the file is empty"},
        {notModel, "not a 3DS model: it does not begin with the 3DS main chunk (4D4D)"},
        {shortMain, "cut short: its main chunk is " + std::to_string(shortMain.size() + 1) +
                        " bytes long, but the file holds only " + std::to_string(shortMain.size())},
        {listPastEnd, "damaged or cut short: the face list of object 2 ('cube') runs past the end of its chunk"},
        {tooShort.bytes, "damaged: the chunk at byte " + std::to_string(tooShort.bytes.size() - 6) +
                             " gives a length shorter than its own 6-byte header"},
        {MakeStream({Triangle(), badIndex}, false),
         "object 2 ('cube'): face 1 names vertex 3, but the object has only 3 vertices"},
        {MakeStream({notFinite}, false), "object 1 ('tri'): vertex 2 has a coordinate that is not a finite number"},
        {MakeStream({flat}, false), "all its vertices lie at one point, so it has no size to draw"},
        {MakeStream({}, false), "no faces to draw"},
    };
    for (const auto& c : cases) {
        const ModelCheck check = CheckModel(c.stream.data(), c.stream.size());
        EXPECT_EQ(check.problem, c.problem);
    }
}

TEST(ModelReader, EmbeddedModel) {
    ModelOutput out;
    ModelCounts counts = ReadModel(EmbeddedModel, EmbeddedModelBytes, out.vertices.data(), out.faces.data());
    ASSERT_EQ(counts.vertexCount, EmbeddedVertexCount);
    ASSERT_EQ(counts.faceCount, EmbeddedFaceCount);
    // Positions copied unchanged, faces as stored.
    EXPECT_EQ(0, memcmp(out.vertices.data(), EmbeddedModel + VertexDataOffset, EmbeddedVertexCount * sizeof(Vec3)));
    for (int i = 0; i < counts.faceCount; i++) {
        const uint8_t* record = EmbeddedModel + FaceDataOffset + 8 * i;
        EXPECT_EQ(out.faces[i].a, record[0] | record[1] << 8);
        EXPECT_EQ(out.faces[i].b, record[2] | record[3] << 8);
        EXPECT_EQ(out.faces[i].c, record[4] | record[5] << 8);
        EXPECT_LT(out.faces[i].a, EmbeddedVertexCount);
        EXPECT_LT(out.faces[i].b, EmbeddedVertexCount);
        EXPECT_LT(out.faces[i].c, EmbeddedVertexCount);
    }
    EXPECT_EQ(out.WordAfterVertex(EmbeddedVertexCount), 0xFFFFFFFFu);
}
