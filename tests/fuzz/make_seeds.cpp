// make_seeds OUTDIR: writes the hand-made seed models of the fuzz corpus, each
// a chunk stream that exercises one thing the model reader or the start-up
// must survive. A test checks that it gives the committed corpus.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/chunk_writer.h"

namespace {

constexpr uint16_t MainId = 0x4D4D, EditorId = 0x3D3D, ObjectId = 0x4000, MeshId = 0x4100;
constexpr uint16_t VertexListId = 0x4110, FaceListId = 0x4120;

struct Point {
    float x, y, z;
};
struct Triangle {
    uint16_t a, b, c;
};
using Bytes = std::vector<uint8_t>;

Bytes Append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A chunk the reader must skip; its payload looks like sought ids.
Bytes Foreign(uint16_t id) {
    ChunkWriter w;
    w.Header(id, 6 + 5);
    for (uint8_t b : {0x4D, 0x4D, 0x10, 0x41, 0x00}) w.bytes.push_back(b);
    return w.bytes;
}

// How an object is cut short, for the seeds of broken chunks.
enum class Cut { None, NoMesh, NoFaceList };

// One object: name, mesh, vertex list, face list; `extra` (a chunk to skip)
// after the name, the mesh header, the vertices and the faces.
Bytes Object(const char* name, const std::vector<Point>& vertices, const std::vector<Triangle>& faces,
             const Bytes& extra = {}, Cut cut = Cut::None) {
    ChunkWriter w;
    w.Header(ObjectId);
    w.Text(name);
    w.bytes = Append(w.bytes, extra);
    if (cut != Cut::NoMesh) w.Header(MeshId);
    w.bytes = Append(w.bytes, extra);
    w.Header(VertexListId);
    w.U16(static_cast<uint32_t>(vertices.size()));
    for (const Point& p : vertices) {
        w.Float(p.x);
        w.Float(p.y);
        w.Float(p.z);
    }
    w.bytes = Append(w.bytes, extra);
    if (cut == Cut::NoFaceList) return w.bytes;
    w.Header(FaceListId);
    w.U16(static_cast<uint32_t>(faces.size()));
    for (const Triangle& f : faces) {
        w.U16(f.a);
        w.U16(f.b);
        w.U16(f.c);
        w.U16(0);  // flags
    }
    return Append(w.bytes, extra);
}

// The main chunk around the given children, its length covering them.
Bytes Stream(const Bytes& children) {
    ChunkWriter w;
    const size_t main = w.Header(MainId);
    w.bytes = Append(w.bytes, children);
    w.CloseChunk(main);
    return w.bytes;
}

Bytes Header(uint16_t id, uint32_t length = 0) {
    ChunkWriter w;
    w.Header(id, length);
    return w.bytes;
}

// The editor chunk, then the objects, in a main chunk.
Bytes Model(const std::vector<Bytes>& objects) {
    Bytes children = Header(EditorId);
    for (const Bytes& o : objects) children = Append(children, o);
    return Stream(children);
}

// count faces over vertexCount vertices, each with a different corner pair.
std::vector<Triangle> Fan(int count, int vertexCount) {
    std::vector<Triangle> faces;
    for (int i = 0; i < count; ++i)
        faces.push_back({static_cast<uint16_t>(i % vertexCount), static_cast<uint16_t>((i + 1) % vertexCount),
                         static_cast<uint16_t>((i + 2) % vertexCount)});
    return faces;
}

std::vector<std::pair<std::string, Bytes>> Seeds() {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Bytes tri = Object("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const Bytes quad = Object("q", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}, Foreign(0xA000));
    const std::vector<Point> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    // A NaN past the first vertex takes no part in the centring and stays NaN,
    // while the other vertices stay on the screen.
    const std::vector<Point> tall = {{0, 0, 0}, {1, 0, 1}, {0, nan, 0}, {1, 1, 1}, {0.5f, 0.5f, -1}, {nan, 1, 0}};
    std::vector<Point> manyVertices;
    for (int i = 0; i < 1999; ++i) manyVertices.push_back({static_cast<float>(i), static_cast<float>(i % 7), 0});

    std::vector<std::pair<std::string, Bytes>> seeds = {
        // Well-formed streams and the reader's basic faults.
        {"one_object.3ds", Model({tri})},
        {"two_objects_foreign_chunks.3ds", Stream(Append(Append(Append(Foreign(0x0002), Header(EditorId)), tri), quad))},
        {"object_outside_editor.3ds",
         Stream(Append(Append(Append(Header(EditorId, static_cast<uint32_t>(6 + tri.size())), tri), Foreign(0xB000)), quad))},
        {"not_main_chunk.3ds", Append(Header(EditorId, static_cast<uint32_t>(6 + tri.size())), tri)},
        {"zero_length_chunk.3ds", Stream(Append(Append(Append(Header(EditorId), tri), Header(0xB000, 0)), quad))},
        {"bad_face_index.3ds", Model({tri, Object("", {{1, 2, 3}}, {{0, 0, 1}})})},
        // Models that read cleanly but are degenerate for the mesh preparation and the renderer.
        {"no_faces.3ds", Model({Object("v", square, {})})},
        {"no_vertices.3ds", Model({Object("e", {}, {})})},
        {"all_vertices_equal.3ds", Model({Object("p", std::vector<Point>(4, {2, 2, 2}), {{0, 1, 2}, {1, 2, 3}})})},
        {"zero_area_faces.3ds", Model({Object("z", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {1, 0, 0}},
                                              {{0, 1, 2}, {3, 3, 3}, {0, 0, 1}, {0, 1, 3}})})},
        {"flat_on_one_axis.3ds", Model({Object("f", {{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}, {{0, 1, 2}})})},
        {"huge_coordinates.3ds", Model({Object("h", {{3e38f, -3e38f, 1}, {-3e38f, 3e38f, 0}, {3e38f, 3e38f, -3e38f}, {1, 2, 3}},
                                               {{0, 1, 2}, {1, 2, 3}, {0, 2, 3}})})},
        {"nan_vertices_off_the_screen.3ds", Model({Object("t", tall, Fan(6, 6))})},
        {"nan_and_infinity.3ds",
         Model({Object("n", {{nan, 0, 0}, {inf, 1, 0}, {0, -inf, 1}, {1, 1, nan}, {0, 0, 0}, {2, 1, 0}}, Fan(8, 6))})},
        {"nan_first_vertex.3ds", Model({Object("m", {{nan, nan, nan}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, Fan(5, 5))})},
        {"tiny_extent.3ds", Model({Object("d", {{0, 0, 0}, {1e-40f, 0, 0}, {0, 1e-40f, 1e-45f}}, {{0, 1, 2}, {2, 1, 0}})})},
        // The most faces a 32 KiB input holds, each with a corner far off the screen.
        {"many_tall_faces.3ds", Model({Object("w", tall, Fan(3900, 6))})},
        // A face count past the class table.
        {"more_faces_than_classes.3ds", Model({Object("c", square, Fan(2100, 4))})},
        // One broken or unusual form of each chunk the reader looks for.
        {"no_editor_chunk.3ds", Stream(Append(Foreign(0x0002), tri))},
        {"object_without_mesh.3ds",
         Model({Object("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, {}, Cut::NoMesh)})},
        {"no_face_list.3ds", Model({Object("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, {}, Cut::NoFaceList)})},
        {"name_without_end.3ds", Stream(Append(Append(Header(EditorId), Header(ObjectId)),
                                               Bytes{'u', 'n', 't', 'e', 'r', 'm', 'i', 'n', 'a', 't', 'e', 'd'}))},
        {"main_length_past_end.3ds", Append(Append(Header(MainId, 0xFFFFFFFF), Header(EditorId)), tri)},
        {"foreign_length_past_end.3ds", Stream(Append(Append(Header(EditorId), Header(0xB000, 0x7FFFFFFF)), tri))},
        // Many vertices over two objects: the second object's indices are offset far.
        {"two_objects_many_vertices.3ds",
         Model({Object("a", manyVertices, Fan(3, 1999)), Object("b", square, {{0, 1, 2}})})},
    };
    // A stream cut short inside its last face record.
    Bytes truncated = Model({tri, quad});
    truncated.resize(truncated.size() - 5);
    seeds.push_back({"truncated_faces.3ds", truncated});
    // A main chunk whose length ends inside the second object.
    seeds.push_back({"main_length_cuts_second_object.3ds",
                     Append(Append(Append(Header(MainId, static_cast<uint32_t>(6 + 6 + tri.size() + 10)), Header(EditorId)), tri),
                            quad)});
    // A vertex list that promises more vertices than it holds.
    ChunkWriter shortList;
    shortList.bytes = Append(Header(EditorId), Header(ObjectId));
    shortList.Text("s");
    shortList.Header(MeshId);
    shortList.Header(VertexListId);
    shortList.U16(10);
    for (float f : {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f}) shortList.Float(f);
    seeds.push_back({"vertex_list_short.3ds", Stream(shortList.bytes)});
    return seeds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTDIR\n");
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    for (const auto& [name, bytes] : Seeds()) {
        std::ofstream out(std::filesystem::path(argv[1]) / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "make_seeds: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
