// Shared plain data types of the scene and the renderer.
#pragma once
#include <cstdint>

// Three packed floats. Arrays of Vec3 keep at least 4 readable bytes after
// their last element, because vector code loads each Vec3 as four lanes.
struct Vec3 {
    float x, y, z;
};
static_assert(sizeof(Vec3) == 12, "Vec3 arrays are packed at 12 bytes");

// Four floats; colours keep their lanes in the order blue, green, red, fourth.
struct alignas(16) Vec4 {
    float v[4];
};
static_assert(sizeof(Vec4) == 16);

// Three vertex indices of one triangle.
struct Face {
    uint16_t a, b, c;
};
static_assert(sizeof(Face) == 6);

// Texture coordinate in texels: u (column) at the lower address, then v (row).
struct TexCoord {
    int16_t u, v;
};
static_assert(sizeof(TexCoord) == 4);

// Class 1..9 of a face: 1 is translucent, 2..9 opaque.
using FaceClass = uint16_t;

// The translucent class: its faces are textured, bumped and added onto the
// opaque picture, after every opaque face.
constexpr FaceClass TranslucentFaceClass = 1;

// A face's row in the class colour table: its class less one.
constexpr uint32_t ClassColorIndexOf(FaceClass faceClass) { return faceClass - 1u; }

// The rows and columns one band worker may draw: top and left inclusive,
// bottom and right exclusive.
struct BandRect {
    int32_t top, bottom, left, right;
};

// One end of a span, handed from the scan converter to the span shader.
// attrib lanes: u, v, depth, spare (the spare lane carries nothing).
struct SpanEnd {
    int32_t x;
    Vec4 normal;
    Vec4 attrib;
};
