// The buffer clears of every frame: the pre-pass depth by the main thread,
// each band's rows of the colour and shade depth by that band's worker, and
// the fills they are made of.
#pragma once
#include <cstdint>

// The depth buffers' clear value: the float nearest to 60000.1, farther than
// any depth the scene produces.
constexpr float DepthClearValue = 60000.1f;
static_assert(DepthClearValue == 60000.1015625f);

// PrepassDepth to DepthClearValue: the main thread's clear, before the pre-pass.
void ClearPrepassDepth();

// The rows of one band (0 = top half, 1 = bottom half) of ColorBuffer to black
// and of ShadeDepth to DepthClearValue: each band worker clears its own rows.
void ClearBandRows(int band);

// Writes value into the first 4 * (count / 4) words of a 16-byte aligned buffer.
void FillDwords(uint32_t value, uint32_t count, void* destination);

// The same with streaming (non-temporal) stores, for buffers much larger than
// the caches that are not read again soon.
void StreamDwords(uint32_t value, uint32_t count, void* destination);
