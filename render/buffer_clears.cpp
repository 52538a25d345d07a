#include "render/buffer_clears.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/scene_state.h"
#include "core/simd.h"

namespace {

// Writes value into the first 4 * (count / 4) words, four 16-byte groups per
// step, with store(group address, value).
template <typename Store>
inline void FillGroups(uint32_t value, uint32_t count, void* destination, Store store) {
    constexpr uint32_t GroupsPerStep = 4;
    const __m128i group = _mm_set1_epi32(static_cast<int>(value));
    __m128i* out = static_cast<__m128i*>(destination);
    const uint32_t groups = count / 4;
    uint32_t i = 0;
    for (; i + GroupsPerStep <= groups; i += GroupsPerStep) {
        store(out + i, group);
        store(out + i + 1, group);
        store(out + i + 2, group);
        store(out + i + 3, group);
    }
    for (; i < groups; ++i) store(out + i, group);
}

}  // namespace

void FillDwords(uint32_t value, uint32_t count, void* destination) {
    FillGroups(value, count, destination, [](__m128i* p, __m128i v) { _mm_store_si128(p, v); });
}

void StreamDwords(uint32_t value, uint32_t count, void* destination) {
    FillGroups(value, count, destination, [](__m128i* p, __m128i v) { _mm_stream_si128(p, v); });
    // Orders the streaming stores before whatever the caller does next
    // (the band workers read these buffers on other processors).
    _mm_sfence();
}

namespace {

uint32_t DepthClearBits() {
    uint32_t bits;
    std::memcpy(&bits, &DepthClearValue, sizeof bits);
    return bits;
}

// Fills words first .. first + count - 1 of a 16-byte aligned buffer of 32-bit
// words (integers or floats, hence the byte copies): single words up to the
// first 16-byte boundary and after the last one, streaming stores of 16 bytes
// between. No store reaches a word outside the range, where the other band's
// worker may be drawing.
void StreamWordRange(uint32_t value, size_t first, size_t count, void* buffer) {
    constexpr size_t WordBytes = sizeof value;
    char* word = static_cast<char*>(buffer) + first * WordBytes;
    char* const end = word + count * WordBytes;
    for (; word < end && reinterpret_cast<uintptr_t>(word) % 16 != 0; word += WordBytes)
        std::memcpy(word, &value, WordBytes);
    const size_t groupWords = (static_cast<size_t>(end - word) / WordBytes) & ~size_t{3};
    StreamDwords(value, static_cast<uint32_t>(groupWords), word);
    for (word += groupWords * WordBytes; word < end; word += WordBytes) std::memcpy(word, &value, WordBytes);
}

}  // namespace

void ClearPrepassDepth() {
    // The pre-pass reads this buffer right after, so it is filled through the
    // caches, unless it is larger than they hold (a 3840x2160 screen's 33 MB):
    // then the pre-pass finds few of its lines there anyway, and streaming
    // stores save reading every line in first (measured: the clear takes half
    // the time there and the pre-pass no longer; at 1920x1080 the pre-pass
    // loses what the clear gains).
    constexpr size_t LargestCachedClearBytes = size_t{16} << 20;
    const uint32_t pixels = static_cast<uint32_t>(Scene.width) * Scene.height;
    if (size_t{pixels} * sizeof(float) > LargestCachedClearBytes)
        StreamDwords(DepthClearBits(), pixels, Scene.prepassDepth);
    else
        FillDwords(DepthClearBits(), pixels, Scene.prepassDepth);
}

void ClearBandRows(int band) {
    // The colour and shade depth of a band are read and written only by its
    // own worker, which clears them where the frame's other work runs in
    // parallel. Streaming stores fill them without first reading every line.
    const size_t bandWords = static_cast<size_t>(Scene.height / 2) * Scene.width;
    const size_t first = static_cast<size_t>(band) * bandWords;
    StreamWordRange(0, first, bandWords, Scene.colorBuffer);
    StreamWordRange(DepthClearBits(), first, bandWords, Scene.shadeDepth);
}
