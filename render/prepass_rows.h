// The depth pre-pass four rows at a time. A span's depth is a chain of
// dependent additions, one per pixel; spans on four different rows are four
// independent chains, so one four-lane addition advances all of them. Each
// lane starts from exactly the depth and step its row would get alone and adds
// its step once per column, so every pixel receives the bits of PrepassSpan.
#pragma once
#include <cstdint>

#include "render/prepass.h"

constexpr int PrepassLanes = 4;

// Spans of distinct rows waiting to be drawn together, one per lane, in the
// order they came. A span whose row is already waiting sends the waiting ones
// to the buffer first, so each pixel still sees its spans in face order (which
// decides between +0 and -0, the only equal depths a minimum tells apart).
// Spans that would draw nothing never wait.
struct PrepassRows {
    float* depthBuffer;
    int32_t width, height;
    int count;
    alignas(16) int32_t row[PrepassLanes];
    alignas(16) int32_t x1[PrepassLanes], x2[PrepassLanes];
    alignas(16) float depth1[PrepassLanes], depth2[PrepassLanes];
};

// No span waiting; spans go to depthBuffer, width x height.
PrepassRows StartPrepassRows(float* depthBuffer, int32_t width, int32_t height);

// PrepassSpan's span (the two ends in either order) joins the waiting ones.
void AddPrepassSpan(PrepassRows& rows, int32_t row, PrepassEnd end1, PrepassEnd end2);

// Draws the waiting spans, one row per lane.
void FlushPrepassRows(PrepassRows& rows);

// PrepassTriangle's rows as spans of the batch (the same walk, the same ends).
void AddPrepassTriangle(PrepassRows& rows, PrepassVertex a, PrepassVertex b, PrepassVertex c);
