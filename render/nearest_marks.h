// The first of the two steps of the opaque faces: depth only. Each opaque face,
// in face order, keeps the nearest depth at each pixel exactly as lighting
// every fragment would (the same pixels, the same depths, the same strict
// test) and, instead of lighting, puts the face's tag into ColorBuffer where
// its depth wins. The fragment that holds the tag at the end is the one whose
// colour would be left there, so the second step (ShadeMarkedTriangle) lights
// only those.
#pragma once
#include <cstdint>

#include "render/face_context.h"
#include "render/shade_edges.h"

// Tags are never colours: a lit opaque pixel's fourth byte is 0.
inline uint32_t NearestTag(uint32_t face) { return 0xFF000000u | face; }
constexpr uint32_t MaxTaggedFaces = 1u << 24;

// The rows of a face, [first, end), in which some pixel took the face's tag.
struct RowRange {
    int32_t first, end;
    bool Empty() const { return first >= end; }
};

// Marks the face's nearest pixels in the band (ShadeDepth and the tag where
// its depth is nearer than ShadeDepth) and returns the rows where it marked any.
RowRange MarkNearestTriangle(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                             const FaceContext& context, uint32_t tag);
