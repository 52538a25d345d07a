// Triangle scan conversion for the shading pass: sorts a face's vertices by row,
// walks its rows with two 22.10 fixed-point edges and hands each row's two span
// ends to ShadeSpan.
#pragma once
#include <cstdint>

#include "core/types.h"

// One vertex of a face as the band worker hands it on.
struct ShadeVertex {
    int16_t x, y;     // screen point (whole pixels)
    uint16_t u, v;    // texture coordinate in texels (0..128 for the prepared model)
    float depth;      // smaller is nearer
    Vec4 normal;      // rotated vertex normal, fourth lane 0
};

namespace shading {
struct LaneLights;
}

// What every span of one face is drawn with: the band and the buffers.
struct FaceContext {
    BandRect band;
    uint32_t width;              // pixels per row of all three buffers
    const float* prepassDepth;
    uint32_t classColorIndex;    // FaceClass - 1: 0 translucent, 1..8 opaque
    const uint8_t* heightMap;
    uint32_t* colorBuffer;
    float* shadeDepth;
    const uint32_t* texture;
    // The lights broadcast for the batched shader, built once per band; when
    // null, each span builds its own.
    const shading::LaneLights* lights = nullptr;
};

// Walks the rows yA .. yC-1 of the face and calls ShadeSpan for each, unless
// none of the six coordinates lies inside the band's ranges.
void ShadeTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                   const FaceContext& context);

// The band test: true when some vertex row lies in (top, bottom] or some vertex
// column in (left, right], compared as signed 16-bit values.
// The rows of a face, [first, end), in which some pixel took the face's tag.
struct RowRange {
    int32_t first, end;
    bool Empty() const { return first >= end; }
};

// The two steps of the opaque faces (see MarkNearestSpan), for a whole face:
// marks the face's nearest pixels and returns the rows where it marked any;
// then lights the marked pixels of those rows.
RowRange MarkNearestTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                             const FaceContext& context, uint32_t tag);
void ShadeMarkedTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                         const FaceContext& context, uint32_t tag, RowRange rows);

bool FaceTouchesBand(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                     const BandRect& band);
