// The span shader: depth test, front-surface test, bump, lighting, texture,
// class tint and store, for the pixels of one row of one face.
#pragma once
#include <smmintrin.h>

#include <cstdint>

#include "core/types.h"
#include "render/scan_convert.h"

// Half-width, in depth units, of the window in which a pixel counts as the
// front surface: depth rounding differs between the exact pre-pass and the
// estimated shading pass.
constexpr float FrontTolerance = 1.1f;
// Scale of the height-map gradient added to the normal's x and y.
constexpr float BumpScale = 0.023f;
constexpr float TexCoordMax = 124.0f;  // keeps bilinear reads inside the map
constexpr float BumpCoordMin = 2.0f;   // keeps the bump's neighbour reads inside the map
constexpr float ChannelMax = 255.0f;   // light sum clamp per channel

// Shades the pixels of one row between two span ends (in either order), clipped
// to the band: columns from the smaller x (included) to the larger (excluded).
// The pixels that pass the depth test are gathered and lit four at a time.
void ShadeSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context);

// Pixels of one face waiting to be lit, gathered over its spans so that the
// four-pixel lighting runs full: the interpolated normal and attributes and
// the pixel's index in the buffers. A face covers each pixel at most once, so
// lighting its pixels later, in any grouping, stores what lighting each at
// once would.
constexpr int PendingCapacity = 64;
struct PendingPixels {
    static constexpr int Room = PendingCapacity + 7;  // the last group of 4 or 8 filled up
    __m128 normal[Room];
    __m128 attrib[Room];
    uint32_t pixel[Room];
    int count = 0;
};

// ShadeSpan in parts: the span's pixels that pass the depth test (opaque ones
// store their depth at once) join the pending pixels, lit whenever they fill up
// and by LightPendingPixels at the end of the face.
void GatherSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                const FaceContext& context);
void LightPendingPixels(PendingPixels& pending, const FaceContext& context);

// The same span, lit one pixel at a time: the reference the batched shaders
// are tested against, bit for bit.
void ShadeSpanPerPixel(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context);

// Opaque faces drawn in two steps. The first keeps the nearest depth at each
// pixel exactly as the opaque pass of ShadeSpan does (the same pixels, the same
// depths, the same strict test, faces in face order), and instead of lighting
// puts the face's tag into ColorBuffer where its depth wins. The fragment that
// holds the tag at the end is the one whose colour would be left there, so the
// second step lights only those. Tags are never colours: a lit opaque pixel's
// fourth byte is 0.
inline uint32_t NearestTag(uint32_t face) { return 0xFF000000u | face; }
constexpr uint32_t MaxTaggedFaces = 1u << 24;

// Step one for one span: ShadeDepth and the tag where the depth is nearer than
// ShadeDepth. True when some pixel took the tag.
bool MarkNearestSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                     uint32_t tag);

// Step two for one span: lights and stores the pixels whose ColorBuffer word
// is the tag (ShadeDepth already holds their depth). GatherMarkedSpan is its
// first half, for a face lit with LightPendingPixels at its end.
void ShadeMarkedSpan(int32_t row, const SpanEnd& end1, const SpanEnd& end2, const FaceContext& context,
                     uint32_t tag);
void GatherMarkedSpan(PendingPixels& pending, int32_t row, const SpanEnd& end1, const SpanEnd& end2,
                      const FaceContext& context, uint32_t tag);
