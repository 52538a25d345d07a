#include "assets/model_reader.h"

#include <cstring>

#include "core/scene_arrays.h"

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

static_assert(sizeof(Vec3) == VertexRecordBytes, "vertex records are copied unchanged");

// The readable part of the stream: [0, end).
struct ChunkStream {
    const uint8_t* bytes;
    size_t end;
};

static uint16_t ReadU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

static uint32_t ReadU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// True if size bytes from position p lie inside the stream.
static bool Fits(const ChunkStream& stream, size_t p, size_t size) {
    return p <= stream.end && size <= stream.end - p;
}

// Moves p to the next chunk with the given id at or after p, skipping every
// other chunk by its length, wherever it is in the stream. Returns false when
// no whole header is left before the end, or a skipped chunk's length is too
// small to advance.
static bool FindChunk(const ChunkStream& stream, size_t& p, uint16_t id) {
    for (;;) {
        if (!Fits(stream, p, ChunkHeaderBytes)) return false;
        if (ReadU16(stream.bytes + p) == id) return true;
        uint32_t length = ReadU32(stream.bytes + p + ChunkLengthOffset);
        if (length < ChunkHeaderBytes) return false;
        if (length > stream.end - p) return false;  // the skip would leave the stream
        p += length;
    }
}

// Finds a list chunk (vertex or face list) at or after p and reads its
// record count; on success p is at its first record and all count records
// lie inside the stream.
static bool FindList(const ChunkStream& stream, size_t& p, uint16_t id, size_t recordBytes,
                     uint16_t& count) {
    if (!FindChunk(stream, p, id)) return false;
    if (!Fits(stream, p, ChunkHeaderBytes + ListCountBytes)) return false;
    count = ReadU16(stream.bytes + p + ChunkHeaderBytes);
    p += ChunkHeaderBytes + ListCountBytes;
    return Fits(stream, p, count * recordBytes);
}

// Where one object's data lies in the stream.
struct ObjectLayout {
    size_t vertexData;
    uint16_t vertexCount;
    size_t faceData;
    uint16_t faceCount;
    size_t next;  // right after the last face record
};

// Locates the parts of the object whose chunk header is at p: its name, then
// the next mesh chunk, vertex list and face list, in this order.
static bool LocateObject(const ChunkStream& stream, size_t p, ObjectLayout& object) {
    p += ChunkHeaderBytes;
    const void* nul = memchr(stream.bytes + p, 0, stream.end - p);
    if (nul == nullptr) return false;  // the name runs past the end
    p = static_cast<size_t>(static_cast<const uint8_t*>(nul) - stream.bytes) + 1;

    if (!FindChunk(stream, p, MeshChunkId)) return false;
    p += ChunkHeaderBytes;
    if (!FindList(stream, p, VertexListChunkId, VertexRecordBytes, object.vertexCount)) return false;
    object.vertexData = p;
    p += object.vertexCount * VertexRecordBytes;
    if (!FindList(stream, p, FaceListChunkId, FaceRecordBytes, object.faceCount)) return false;
    object.faceData = p;
    object.next = p + object.faceCount * FaceRecordBytes;
    return true;
}

// True if every face index of the object names one of its own vertices.
static bool FaceIndicesValid(const ChunkStream& stream, const ObjectLayout& object) {
    const uint8_t* record = stream.bytes + object.faceData;
    for (uint16_t i = 0; i < object.faceCount; i++, record += FaceRecordBytes) {
        if (ReadU16(record) >= object.vertexCount || ReadU16(record + 2) >= object.vertexCount ||
            ReadU16(record + 4) >= object.vertexCount) {
            return false;
        }
    }
    return true;
}

// Appends the object's vertices at vertexTotal and its faces at faceTotal,
// every index offset by base (16-bit addition), and marks the spare word.
static void CopyObject(const ChunkStream& stream, const ObjectLayout& object, uint16_t vertexTotal,
                       uint16_t faceTotal, Vec3* vertices, Face* faces) {
    memcpy(&vertices[vertexTotal], stream.bytes + object.vertexData,
           object.vertexCount * VertexRecordBytes);
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

ModelCounts ReadModel(const uint8_t* stream, size_t streamSize, Vec3* vertices, Face* faces) {
    ModelCounts totals = {0, 0};
    if (streamSize < ChunkHeaderBytes || ReadU16(stream) != MainChunkId) return totals;

    // The main chunk's length is the stream's, but never trust it beyond the
    // bytes we were actually given.
    size_t mainLength = ReadU32(stream + ChunkLengthOffset);
    ChunkStream chunks = {stream, mainLength < streamSize ? mainLength : streamSize};

    size_t p = ChunkHeaderBytes;
    if (!FindChunk(chunks, p, EditorChunkId)) return totals;
    p += ChunkHeaderBytes;

    // Objects are searched over the rest of the main chunk, not only inside
    // the editor chunk; the walk ends at the end or at the first bad object.
    while (FindChunk(chunks, p, ObjectChunkId)) {
        ObjectLayout object;
        if (!LocateObject(chunks, p, object)) break;
        if (!FaceIndicesValid(chunks, object)) break;
        if (totals.vertexCount + object.vertexCount > MaxModelVertices) break;
        if (totals.faceCount + object.faceCount > MaxModelFaces) break;

        CopyObject(chunks, object, totals.vertexCount, totals.faceCount, vertices, faces);
        totals.vertexCount = static_cast<uint16_t>(totals.vertexCount + object.vertexCount);
        totals.faceCount = static_cast<uint16_t>(totals.faceCount + object.faceCount);
        p = object.next;
    }
    return totals;
}
