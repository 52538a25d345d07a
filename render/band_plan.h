// The band plan: what each of the two band workers draws. A band's rows (its
// rectangle), the faces of each of its two passes in face order, the vertices
// it hands on for a face, the test that skips a face none of whose
// coordinates lies in the band, the tag that marks a face's nearest pixels
// between the two steps of the opaque pass, and the front-surface test. The
// band workers draw by these rules; whatever re-runs a band's work (the
// buffer views of velmora-render, the tests) asks for them here.
#pragma once
#include <smmintrin.h>

#include <cassert>
#include <cstdint>

#include "assets/embedded_data.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "core/types.h"
#include "render/face_context.h"
#include "render/screen_point.h"
#include "render/shading_constants.h"

// Band 0 is the top half of the picture, band 1 the bottom half.
constexpr int BandCount = 2;

// Rows band * half .. band * half + half - 1 (half = height / 2) and every
// column of a width x height picture.
inline BandRect BandRectOf(int band, int32_t width, int32_t height) {
    assert(band >= 0 && band < BandCount && height % 2 == 0);  // two equal halves
    const int32_t half = height / 2;
    return BandRect{band * half, band * half + half, 0, width};
}

// The band that draws row `row` (0 .. height - 1) of a picture `height` rows high.
inline int BandOfRow(int32_t row, int32_t height) {
    int band = 0;
    while (band + 1 < BandCount && row >= BandRectOf(band, 0, height).bottom) ++band;
    return band;
}

// What a band's faces are drawn with over buffers of a width x height
// picture: its rectangle, the buffers, the texture and the height map (the
// class colour index is set per face and the lights by the worker).
inline FaceContext BandContextOver(int band, int32_t width, int32_t height, const float* prepassDepth,
                                   uint32_t* colorBuffer, float* shadeDepth) {
    FaceContext context;
    context.band = BandRectOf(band, width, height);
    context.width = static_cast<uint32_t>(width);
    context.prepassDepth = prepassDepth;
    context.classColorIndex = 0;
    context.heightMap = HeightMap;
    context.colorBuffer = colorBuffer;
    context.shadeDepth = shadeDepth;
    context.texture = Texture;
    return context;
}

// A band draws two passes: the other classes' pass (Scene.otherClassPass)
// first, then the translucent faces' pass, so that every opaque face is in
// ShadeDepth before a translucent face is tested against it.
constexpr int32_t TranslucentPass = 0;
constexpr int PassesPerBand = 2;
inline int32_t OtherClassPass() { return Scene.otherClassPass; }
inline int32_t BandPass(int order) { return order == 0 ? OtherClassPass() : TranslucentPass; }

// Faces 0 .. DrawnFaceCount() - 1 may be drawn: every face of the model
// (FaceClasses has an entry for each, NoFaceClass where a face has none).
inline uint32_t DrawnFaceCount() { return Scene.faceCount; }

// True when `face` (below DrawnFaceCount()) is drawn in `pass`: it has a
// class, its class belongs to that pass, and every corner has a place on the
// screen. The one rule of which faces the bands draw.
inline bool DrawnInPass(uint32_t face, int32_t pass) {
    const FaceClass faceClass = FaceClassOf(face);
    if (faceClass == NoFaceClass) return false;
    const int32_t facePass = faceClass == TranslucentFaceClass ? TranslucentPass : OtherClassPass();
    return facePass == pass && HasScreenPositions(ModelFaces[face]);
}

// The class colour index a drawn face is shaded with.
inline uint32_t ClassColorIndexOfFace(uint32_t face) { return ClassColorIndexOf(FaceClassOf(face)); }

// Corner 0, 1 or 2 of a face, in the face's stored order, as the band worker
// hands it on: the screen point, the depth, the rotated normal and the
// texture coordinate of its vertex.
inline ShadeVertex ShadeVertexOf(uint32_t face, int corner) {
    const Face& f = ModelFaces[face];
    const uint16_t index = corner == 0 ? f.a : corner == 1 ? f.b : f.c;
    const Vec3& screen = ScreenVertices[index];
    const Vec3& normal = RotatedNormals[index];
    const ScreenPoint point = ToScreenPoint(screen);
    ShadeVertex vertex;
    vertex.x = point.x;
    vertex.y = point.y;
    vertex.u = static_cast<uint16_t>(TexCoords[index].u);
    vertex.v = static_cast<uint16_t>(TexCoords[index].v);
    vertex.depth = screen.z;
    vertex.normal = Vec4{{normal.x, normal.y, normal.z, 0.0f}};
    return vertex;
}

// Saturates a band limit to the 16-bit range of vertex coordinates.
inline int16_t Saturate16(int32_t value) {
    return static_cast<int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}

// The band test: true when some vertex row lies in (top, bottom] or some vertex
// column in (left, right], compared as signed 16-bit values. Faces for which
// it is false are not walked.
inline bool FaceTouchesBand(const ShadeVertex& v0, const ShadeVertex& v1, const ShadeVertex& v2,
                            const BandRect& band) {
    // All six coordinates in one 16-bit comparison, open at the low end and
    // closed at the high end: rows in (top, bottom], columns in (left, right].
    const __m128i coords = _mm_setr_epi16(v0.y, v1.y, v2.y, v0.x, v1.x, v2.x, 0, 0);
    const int16_t top = Saturate16(band.top), bottom = Saturate16(band.bottom);
    const int16_t left = Saturate16(band.left), right = Saturate16(band.right);
    const __m128i lows = _mm_setr_epi16(top, top, top, left, left, left, 0, 0);
    const __m128i highs = _mm_setr_epi16(bottom, bottom, bottom, right, right, right, -1, -1);
    const __m128i inside = _mm_andnot_si128(_mm_cmpgt_epi16(coords, highs), _mm_cmpgt_epi16(coords, lows));
    return _mm_movemask_epi8(inside) != 0;
}

// Between the two steps of the opaque pass, a pixel whose nearest fragment so
// far belongs to face f holds NearestTag(f) in ColorBuffer. Tags are never
// colours: a lit opaque pixel's fourth byte is 0, a tag's 0xFF.
constexpr uint32_t TagMarker = 0xFF000000u;
constexpr uint32_t MaxTaggedFaces = 1u << 24;
static_assert(MaxModelFaces <= MaxTaggedFaces, "a face's tag carries its index");
inline uint32_t NearestTag(uint32_t face) {
    assert(face < MaxTaggedFaces);
    return TagMarker | face;
}
inline bool IsNearestTag(uint32_t word) { return (word & TagMarker) == TagMarker; }
inline uint32_t FaceOfTag(uint32_t word) { return word & ~TagMarker; }

// The front-surface test of one pixel at depth z: the pre-pass depth lies in
// (z - FrontTolerance, z + FrontTolerance], each bound rounded to a float
// before the comparison. (The lane lighting's FrontMask is this test on
// several pixels at once.)
inline bool IsFrontSurface(float depth, float prepassDepth) {
    const float above = depth + FrontTolerance;
    const float below = depth - FrontTolerance;
    return above >= prepassDepth && below < prepassDepth;
}
