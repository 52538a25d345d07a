#include "tools/velmora_render/buffer_record.h"

#include <algorithm>
#include <cstring>

#include "assets/embedded_data.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/clear_and_transform.h"
#include "render/face_context.h"
#include "render/nearest_marks.h"
#include "render/screen_point.h"
#include "render/shade_edges.h"
#include "render/shading_constants.h"

uint32_t DrawnFaceCount() { return Scene.faceCount; }

bool IsDrawnFace(uint32_t face) {
    const Face& f = ModelFaces[face];
    return FaceClassOf(face) != NoFaceClass && HasScreenPosition(ScreenVertices[f.a]) &&
           HasScreenPosition(ScreenVertices[f.b]) && HasScreenPosition(ScreenVertices[f.c]);
}

bool IsTranslucentFace(uint32_t face) { return FaceClassOf(face) == TranslucentFaceClass; }

namespace {

ShadeVertex VertexOf(uint16_t index) {
    const ScreenPoint point = ToScreenPoint(ScreenVertices[index]);
    const Vec3& normal = RotatedNormals[index];
    ShadeVertex vertex;
    vertex.x = point.x;
    vertex.y = point.y;
    vertex.u = static_cast<uint16_t>(TexCoords[index].u);
    vertex.v = static_cast<uint16_t>(TexCoords[index].v);
    vertex.depth = ScreenVertices[index].z;
    vertex.normal = Vec4{{normal.x, normal.y, normal.z, 0.0f}};
    return vertex;
}

// A context whose marks and depths go to the scratch buffers, never the frame's.
FaceContext ScratchContext(int band, const BufferRecord& record, uint32_t* marks, float* depths) {
    const int32_t half = record.height / 2;
    FaceContext context;
    context.band = BandRect{band * half, band * half + half, 0, record.width};
    context.width = static_cast<uint32_t>(record.width);
    context.prepassDepth = record.prepassDepth.data();
    context.classColorIndex = 0;
    context.heightMap = HeightMap;
    context.colorBuffer = marks;
    context.shadeDepth = depths;
    context.texture = Texture;
    return context;
}

// The face's spans join the waiting ones, with the vertices as the band
// workers hand them on.
void MarkTriangle(MarkRows& rows, uint32_t face) {
    const Face& f = ModelFaces[face];
    MarkNearestTriangle(rows, VertexOf(f.a), VertexOf(f.b), VertexOf(f.c), face);
}

// One face marked alone; marked has a place for every drawn face.
RowRange MarkFace(uint32_t face, const FaceContext& context, std::vector<RowRange>& marked) {
    MarkRows rows = StartMarkRows(context, marked.data());
    MarkTriangle(rows, face);
    FlushMarkRows(rows);
    return marked[face];
}

bool IsTag(uint32_t word) { return (word & 0xFF000000u) == NearestTag(0); }

// The opaque pass's first step, per band, into scratch buffers: the tags left
// are the faces the frame lit.
void RecordOpaqueFaces(BufferRecord& record, std::vector<uint32_t>& marks, std::vector<float>& depths) {
    std::vector<RowRange> marked(DrawnFaceCount(), RowRange{0, 0});
    for (int band = 0; band < 2; ++band) {
        const FaceContext context = ScratchContext(band, record, marks.data(), depths.data());
        MarkRows rows = StartMarkRows(context, marked.data());
        for (uint32_t face = 0; face < DrawnFaceCount(); ++face)
            if (!IsTranslucentFace(face) && IsDrawnFace(face)) MarkTriangle(rows, face);
        FlushMarkRows(rows);
    }
    for (size_t p = 0; p < marks.size(); ++p)
        record.opaqueFace[p] = IsTag(marks[p]) ? static_cast<int32_t>(marks[p] & 0x00FFFFFFu) : NoFace;
    record.shadeDepthMatches =
        std::memcmp(depths.data(), record.shadeDepth.data(), depths.size() * sizeof(float)) == 0;
}

// Each translucent face marked alone against the opaque depths: its marks are
// the fragments the shader added (the same depths, the same strict test).
// Translucent faces never write ShadeDepth, so the rows it marked are reset
// before the next face.
void RecordTranslucentLayers(BufferRecord& record, std::vector<uint32_t>& marks, std::vector<float>& depths) {
    std::fill(marks.begin(), marks.end(), 0u);
    std::copy(record.shadeDepth.begin(), record.shadeDepth.end(), depths.begin());
    std::vector<float> nearest(marks.size(), DepthClearValue);
    const size_t width = static_cast<size_t>(record.width);
    std::vector<RowRange> marked(DrawnFaceCount(), RowRange{0, 0});
    for (int band = 0; band < 2; ++band) {
        const FaceContext context = ScratchContext(band, record, marks.data(), depths.data());
        for (uint32_t face = 0; face < DrawnFaceCount(); ++face) {
            if (!IsTranslucentFace(face) || !IsDrawnFace(face)) continue;
            const RowRange rows = MarkFace(face, context, marked);
            if (rows.Empty()) continue;
            const size_t end = static_cast<size_t>(rows.end) * width;
            for (size_t p = static_cast<size_t>(rows.first) * width; p < end; ++p) {
                if (marks[p] == NearestTag(face)) {
                    const float z = depths[p];
                    if (record.translucentLayers[p] < UINT8_MAX) ++record.translucentLayers[p];
                    if (IsFrontSurface(z, record.prepassDepth[p]) && record.translucentFrontLayers[p] < UINT8_MAX)
                        ++record.translucentFrontLayers[p];
                    if (z < nearest[p]) {
                        nearest[p] = z;
                        record.nearestTranslucentFace[p] = static_cast<int32_t>(face);
                    }
                }
                marks[p] = 0;
                depths[p] = record.shadeDepth[p];
            }
        }
    }
}

}  // namespace

RowRange MarkFaceInBand(uint32_t face, int band, const BufferRecord& record, uint32_t* marks, float* depths,
                        std::vector<RowRange>& marked) {
    return MarkFace(face, ScratchContext(band, record, marks, depths), marked);
}

bool IsFrontSurface(float depth, float prepassDepth) {
    // Each bound rounded to a float before the comparison, as the shader does.
    const float above = depth + FrontTolerance;
    const float below = depth - FrontTolerance;
    return above >= prepassDepth && below < prepassDepth;
}

void RecordFrameBuffers(BufferRecord& record) {
    record.width = Scene.width;
    record.height = Scene.height;
    const size_t pixels = static_cast<size_t>(record.width) * record.height;
    record.color.assign(Scene.colorBuffer, Scene.colorBuffer + pixels);
    record.prepassDepth.assign(Scene.prepassDepth, Scene.prepassDepth + pixels);
    record.shadeDepth.assign(Scene.shadeDepth, Scene.shadeDepth + pixels);
    record.opaqueFace.assign(pixels, NoFace);
    record.nearestTranslucentFace.assign(pixels, NoFace);
    record.translucentLayers.assign(pixels, 0);
    record.translucentFrontLayers.assign(pixels, 0);

    // The marking step expects marks cleared to black and depths to the clear value.
    std::vector<uint32_t> marks(pixels, 0u);
    std::vector<float> depths(pixels, DepthClearValue);
    RecordOpaqueFaces(record, marks, depths);
    RecordTranslucentLayers(record, marks, depths);
}
