#include "assets/model_reader.h"

#include <cmath>
#include <cstring>

#include "core/scene_arrays.h"

namespace {

// Chunk ids the reader looks for; every other chunk is skipped by its length.
constexpr uint16_t MainChunkId = 0x4D4D;
constexpr uint16_t EditorChunkId = 0x3D3D;
constexpr uint16_t ObjectChunkId = 0x4000;
constexpr uint16_t MeshChunkId = 0x4100;
constexpr uint16_t VertexListChunkId = 0x4110;
constexpr uint16_t FaceListChunkId = 0x4120;

// A chunk header: 16-bit id, then 32-bit length counted from the header's
// first byte. A length below this cannot move the walk forward.
constexpr size_t ChunkHeaderBytes = 6;
constexpr size_t ChunkLengthOffset = 2;
// A list's 16-bit record count follows its chunk header.
constexpr size_t ListCountBytes = 2;
// x, y, z as 32-bit floats.
constexpr size_t VertexRecordBytes = 12;
// a, b, c, flags as 16-bit words; the flags are dropped.
constexpr size_t FaceRecordBytes = 8;
// Written after the last vertex: the spare word four-lane loads of it read.
constexpr uint32_t SpareVertexWord = 0xFFFFFFFF;
// Object names in messages: printable characters only, and not too many.
constexpr size_t ShownNameLength = 40;

static_assert(sizeof(Vec3) == VertexRecordBytes, "vertex records are copied unchanged");
static_assert(MaxModelVertices <= UINT16_MAX && MaxModelFaces <= UINT16_MAX, "totals and indices are 16-bit");

// The readable part of the stream: [0, end).
struct ChunkStream {
    const uint8_t* bytes;
    size_t end;
};

uint16_t ReadU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

uint32_t ReadU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// How a search for a chunk ended.
enum class Search { Found, RegionEnded, LengthTooShort, LengthPastRegion };

// Moves p to the next chunk with the given id at or after p and before
// regionEnd, skipping every other chunk by its length. A skip that cannot
// advance or would leave the region ends the search with p at that chunk.
Search FindChunk(const ChunkStream& stream, size_t& p, size_t regionEnd, uint16_t id) {
    for (;;) {
        if (p > regionEnd || regionEnd - p < ChunkHeaderBytes) return Search::RegionEnded;
        if (ReadU16(stream.bytes + p) == id) return Search::Found;
        const uint32_t length = ReadU32(stream.bytes + p + ChunkLengthOffset);
        if (length < ChunkHeaderBytes) return Search::LengthTooShort;
        if (length > regionEnd - p) return Search::LengthPastRegion;
        p += length;
    }
}

// Where the chunk whose header is at p ends: its length, where that says so
// and stays inside the region; else (a length of 0, as the embedded stream
// writes) the region's end.
size_t ChunkEnd(const ChunkStream& stream, size_t p, size_t regionEnd) {
    const uint32_t length = ReadU32(stream.bytes + p + ChunkLengthOffset);
    return length >= ChunkHeaderBytes && length <= regionEnd - p ? p + length : regionEnd;
}

// Why a walk over the objects stopped before the end of the stream.
enum class Stop {
    None,
    NotAModel,
    NoEditor,
    ChunkTooShort,
    ChunkPastEnd,
    NameCutShort,
    NoVertexList,
    NoFaceList,
    VertexListCutShort,
    FaceListCutShort,
    Refused,  // the caller's visit declined the object
};

Stop StopOf(Search search) {
    return search == Search::LengthTooShort ? Stop::ChunkTooShort : Stop::ChunkPastEnd;
}

// Where one object's data lies in the stream.
struct ObjectLayout {
    size_t nameAt = 0, nameLength = 0;
    bool hasMesh = false;
    size_t vertexData = 0;
    uint16_t vertexCount = 0;
    size_t faceData = 0;
    uint16_t faceCount = 0;
    size_t next = 0;  // where the object search goes on
};

// Finds a list chunk (vertex or face list) at or after p inside the region and
// reads its record count; on success p is at its first record and all count
// records lie inside the region.
Stop FindList(const ChunkStream& stream, size_t& p, size_t regionEnd, uint16_t id, size_t recordBytes,
              uint16_t& count, Stop missing, Stop cutShort) {
    const Search search = FindChunk(stream, p, regionEnd, id);
    if (search == Search::RegionEnded) return missing;
    if (search != Search::Found) return StopOf(search);
    if (regionEnd - p < ChunkHeaderBytes + ListCountBytes) return cutShort;
    count = ReadU16(stream.bytes + p + ChunkHeaderBytes);
    const size_t records = p + ChunkHeaderBytes + ListCountBytes;
    if (count * recordBytes > regionEnd - records) return cutShort;
    p = records;
    return Stop::None;
}

// Locates the parts of the object whose chunk header is at p: its name, then
// its mesh and the mesh's vertex list and face list, in this order. On a stop,
// problemAt is the offset of the chunk that caused it.
Stop LocateObject(const ChunkStream& stream, size_t p, ObjectLayout& object, size_t& problemAt) {
    const size_t objectEnd = ChunkEnd(stream, p, stream.end);
    p += ChunkHeaderBytes;
    object.nameAt = p;
    const void* nul = p < objectEnd ? memchr(stream.bytes + p, 0, objectEnd - p) : nullptr;
    if (nul == nullptr) return Stop::NameCutShort;
    p = static_cast<size_t>(static_cast<const uint8_t*>(nul) - stream.bytes) + 1;
    object.nameLength = p - 1 - object.nameAt;

    const Search mesh = FindChunk(stream, p, objectEnd, MeshChunkId);
    if (mesh == Search::RegionEnded) {  // no geometry: a camera, a light
        object.next = objectEnd;
        return Stop::None;
    }
    problemAt = p;
    if (mesh != Search::Found) return StopOf(mesh);
    object.hasMesh = true;
    const size_t meshEnd = ChunkEnd(stream, p, objectEnd);
    p += ChunkHeaderBytes;
    Stop stop = FindList(stream, p, meshEnd, VertexListChunkId, VertexRecordBytes, object.vertexCount,
                         Stop::NoVertexList, Stop::VertexListCutShort);
    problemAt = p;
    if (stop != Stop::None) return stop;
    object.vertexData = p;
    p += object.vertexCount * VertexRecordBytes;
    stop = FindList(stream, p, meshEnd, FaceListChunkId, FaceRecordBytes, object.faceCount, Stop::NoFaceList,
                    Stop::FaceListCutShort);
    problemAt = p;
    if (stop != Stop::None) return stop;
    object.faceData = p;
    object.next = p + object.faceCount * FaceRecordBytes;
    return Stop::None;
}

// How a walk ended: where and in which object it stopped, if it did.
struct WalkEnd {
    Stop stop = Stop::None;
    size_t at = 0;            // the chunk that stopped it
    uint32_t object = 0;      // objects met before the one it stopped in
    ObjectLayout layout;      // as far as that object was located
};

// Walks the objects of the stream in order and hands each one with a mesh to
// visit(stream, layout, objectIndex), which returns false to stop the walk.
template <typename Visit>
WalkEnd WalkObjects(const uint8_t* bytes, size_t size, Visit&& visit) {
    WalkEnd end;
    if (size < ChunkHeaderBytes || ReadU16(bytes) != MainChunkId) {
        end.stop = Stop::NotAModel;
        return end;
    }
    const uint32_t mainLength = ReadU32(bytes + ChunkLengthOffset);
    const ChunkStream stream = {bytes, mainLength < size ? mainLength : size};

    size_t p = ChunkHeaderBytes;
    const Search editor = FindChunk(stream, p, stream.end, EditorChunkId);
    if (editor != Search::Found) {
        end.stop = editor == Search::RegionEnded ? Stop::NoEditor : StopOf(editor);
        end.at = p;
        return end;
    }
    p += ChunkHeaderBytes;

    // Objects are searched over the rest of the main chunk, not only inside
    // the editor chunk.
    for (uint32_t index = 0;; ++index) {
        const Search object = FindChunk(stream, p, stream.end, ObjectChunkId);
        if (object == Search::RegionEnded) return end;
        end.object = index;
        end.at = p;
        if (object != Search::Found) {
            end.stop = StopOf(object);
            return end;
        }
        end.stop = LocateObject(stream, p, end.layout, end.at);
        if (end.stop != Stop::None) return end;
        if (end.layout.hasMesh && !visit(stream, end.layout, index)) {
            end.stop = Stop::Refused;
            return end;
        }
        p = end.layout.next;
        end.layout = ObjectLayout{};
    }
}

// The first face of the object that names a vertex outside its own vertex
// list: its number in the object and the index it names.
bool FindBadIndex(const ChunkStream& stream, const ObjectLayout& object, uint32_t& face, uint16_t& index) {
    const uint8_t* record = stream.bytes + object.faceData;
    for (face = 0; face < object.faceCount; face++, record += FaceRecordBytes) {
        for (size_t corner = 0; corner < 3; corner++) {
            index = ReadU16(record + 2 * corner);
            if (index >= object.vertexCount) return true;
        }
    }
    return false;
}

// Appends the object's vertices at vertexTotal and its faces at faceTotal,
// every index offset by base (16-bit addition), and marks the spare word.
void CopyObject(const ChunkStream& stream, const ObjectLayout& object, uint16_t vertexTotal, uint16_t faceTotal,
                Vec3* vertices, Face* faces) {
    memcpy(&vertices[vertexTotal], stream.bytes + object.vertexData, object.vertexCount * VertexRecordBytes);
    memcpy(&vertices[vertexTotal + object.vertexCount], &SpareVertexWord, sizeof SpareVertexWord);

    const uint16_t base = vertexTotal;
    const uint8_t* record = stream.bytes + object.faceData;
    for (uint16_t i = 0; i < object.faceCount; i++, record += FaceRecordBytes) {
        Face& face = faces[faceTotal + i];
        face.a = static_cast<uint16_t>(ReadU16(record) + base);
        face.b = static_cast<uint16_t>(ReadU16(record + 2) + base);
        face.c = static_cast<uint16_t>(ReadU16(record + 4) + base);
    }
}

}  // namespace

ModelCounts ReadModel(const uint8_t* stream, size_t streamSize, Vec3* vertices, Face* faces,
                      uint16_t* faceObjects) {
    ModelCounts totals = {0, 0};
    uint16_t objectsWithFaces = 0;
    WalkObjects(stream, streamSize, [&](const ChunkStream& chunks, const ObjectLayout& object, uint32_t) {
        uint32_t face;
        uint16_t index;
        if (FindBadIndex(chunks, object, face, index)) return false;
        if (totals.vertexCount + object.vertexCount > MaxModelVertices) return false;
        if (totals.faceCount + object.faceCount > MaxModelFaces) return false;

        CopyObject(chunks, object, totals.vertexCount, totals.faceCount, vertices, faces);
        if (faceObjects != nullptr && object.faceCount > 0) {
            for (uint16_t i = 0; i < object.faceCount; i++) faceObjects[totals.faceCount + i] = objectsWithFaces;
            objectsWithFaces++;
        }
        totals.vertexCount = static_cast<uint16_t>(totals.vertexCount + object.vertexCount);
        totals.faceCount = static_cast<uint16_t>(totals.faceCount + object.faceCount);
        return true;
    });
    return totals;
}

namespace {

// "object 2 ('Box02')": objects count from 1, names show printable
// characters only.
std::string ObjectName(const ChunkStream& stream, const ObjectLayout& object, uint32_t index) {
    std::string name;
    const size_t shown = object.nameLength < ShownNameLength ? object.nameLength : ShownNameLength;
    for (size_t i = 0; i < shown; i++) {
        const char c = static_cast<char>(stream.bytes[object.nameAt + i]);
        name += c >= ' ' && c <= '~' ? c : '?';
    }
    if (shown < object.nameLength) name += "...";
    return "object " + std::to_string(index + 1) + " ('" + name + "')";
}

std::string DescribeStop(const uint8_t* bytes, size_t size, const WalkEnd& end) {
    const ChunkStream stream = {bytes, size};
    const std::string at = std::to_string(end.at);
    switch (end.stop) {
        case Stop::NotAModel:
            return "not a 3DS model: it does not begin with the 3DS main chunk (4D4D)";
        case Stop::NoEditor:
            return "holds no 3D editor chunk (3D3D), so no objects to draw";
        case Stop::ChunkTooShort:
            return "damaged: the chunk at byte " + at + " gives a length shorter than its own 6-byte header";
        case Stop::ChunkPastEnd:
            return "damaged or cut short: the chunk at byte " + at + " runs past the end of the chunk that holds it";
        case Stop::NameCutShort:
            return "damaged or cut short: the name of object " + std::to_string(end.object + 1) +
                   " runs past the end of its chunk";
        case Stop::NoVertexList:
            return ObjectName(stream, end.layout, end.object) + " has a triangle mesh without a vertex list";
        case Stop::NoFaceList:
            return ObjectName(stream, end.layout, end.object) + " has a triangle mesh without a face list";
        case Stop::VertexListCutShort:
            return "damaged or cut short: the vertex list of " + ObjectName(stream, end.layout, end.object) +
                   " runs past the end of its chunk";
        case Stop::FaceListCutShort:
            return "damaged or cut short: the face list of " + ObjectName(stream, end.layout, end.object) +
                   " runs past the end of its chunk";
        case Stop::None:
        case Stop::Refused:
            break;
    }
    return "";
}

// The smallest and largest coordinate on each axis.
struct Bounds {
    float low[3] = {INFINITY, INFINITY, INFINITY};
    float high[3] = {-INFINITY, -INFINITY, -INFINITY};
    bool HasExtent() const { return low[0] < high[0] || low[1] < high[1] || low[2] < high[2]; }
};

// Widens bounds by the object's vertices; false, with the vertex's number in
// the object, at the first coordinate that is not a finite number.
bool AddVertices(const ChunkStream& stream, const ObjectLayout& object, Bounds& bounds, uint32_t& vertex) {
    const uint8_t* record = stream.bytes + object.vertexData;
    for (vertex = 0; vertex < object.vertexCount; vertex++, record += VertexRecordBytes) {
        float xyz[3];
        memcpy(xyz, record, sizeof xyz);
        for (int axis = 0; axis < 3; axis++) {
            if (!std::isfinite(xyz[axis])) return false;
            bounds.low[axis] = std::fmin(bounds.low[axis], xyz[axis]);
            bounds.high[axis] = std::fmax(bounds.high[axis], xyz[axis]);
        }
    }
    return true;
}

}  // namespace

ModelCheck CheckModel(const uint8_t* stream, size_t streamSize) {
    ModelCheck check;
    if (streamSize == 0) {
        check.problem = "the file is empty";
        return check;
    }
    if (streamSize >= ChunkHeaderBytes && ReadU16(stream) == MainChunkId) {
        const uint32_t mainLength = ReadU32(stream + ChunkLengthOffset);
        if (mainLength > streamSize) {
            check.problem = "cut short: its main chunk is " + std::to_string(mainLength) +
                            " bytes long, but the file holds only " + std::to_string(streamSize);
            return check;
        }
    }
    Bounds bounds;
    const WalkEnd end =
        WalkObjects(stream, streamSize, [&](const ChunkStream& chunks, const ObjectLayout& object, uint32_t index) {
            uint32_t face = 0, vertex = 0;
            uint16_t named = 0;
            if (FindBadIndex(chunks, object, face, named)) {
                check.problem = ObjectName(chunks, object, index) + ": face " + std::to_string(face) +
                                " names vertex " + std::to_string(named) + ", but the object has only " +
                                std::to_string(object.vertexCount) + " vertices";
                return false;
            }
            if (!AddVertices(chunks, object, bounds, vertex)) {
                check.problem = ObjectName(chunks, object, index) + ": vertex " + std::to_string(vertex) +
                                " has a coordinate that is not a finite number";
                return false;
            }
            check.vertexCount += object.vertexCount;
            check.faceCount += object.faceCount;
            return true;
        });
    if (!check.problem.empty()) return check;
    check.problem = DescribeStop(stream, streamSize, end);
    if (!check.problem.empty()) return check;
    if (check.vertexCount > MaxModelVertices)
        check.problem = std::to_string(check.vertexCount) + " vertices in all, more than the " +
                        std::to_string(MaxModelVertices) + " a model may have";
    else if (check.faceCount > MaxModelFaces)
        check.problem = std::to_string(check.faceCount) + " faces in all, more than the " +
                        std::to_string(MaxModelFaces) + " a model may have";
    else if (check.faceCount == 0)
        check.problem = "no faces to draw";
    else if (!bounds.HasExtent())
        check.problem = "all its vertices lie at one point, so it has no size to draw";
    return check;
}
