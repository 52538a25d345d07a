// Little-endian chunk streams as the model reader reads them: a 16-bit id and
// a 32-bit length that counts the 6-byte header and everything inside.
// Shared by the reader's tests and the fuzzer's seed generator.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/assetgen/little_endian.h"

struct ChunkWriter {
    std::vector<uint8_t> bytes;

    void U16(uint32_t v) { Put16(bytes, v); }
    void U32(uint32_t v) { Put32(bytes, v); }
    void Float(float f) { PutFloat(bytes, f); }
    void Text(const char* s) { bytes.insert(bytes.end(), s, s + std::strlen(s) + 1); }

    // A chunk header; returns where it starts, for CloseChunk.
    size_t Header(uint16_t id, uint32_t length = 0) {
        const size_t at = bytes.size();
        U16(id);
        U32(length);
        return at;
    }
    // Sets the length of the chunk at `at` to reach the current end.
    void CloseChunk(size_t at) {
        const uint32_t length = static_cast<uint32_t>(bytes.size() - at);
        for (int i = 0; i < 4; ++i) bytes[at + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
    }
};
