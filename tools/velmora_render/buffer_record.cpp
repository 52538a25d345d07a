#include "tools/velmora_render/buffer_record.h"

#include <algorithm>
#include <cstring>

#include "core/scene_state.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "render/face_context.h"
#include "render/nearest_marks.h"

namespace {

// A context whose marks and depths go to the scratch buffers, never the frame's.
FaceContext ScratchContext(int band, const BufferRecord& record, uint32_t* marks, float* depths) {
    return BandContextOver(band, record.width, record.height, record.prepassDepth.data(), marks, depths);
}

// One face marked alone, with the vertices as the band workers hand them on;
// marked has a place for every drawn face.
RowRange MarkFace(uint32_t face, const FaceContext& context, std::vector<RowRange>& marked) {
    MarkRows rows = StartMarkRows(context, marked.data());
    MarkNearestTriangle(rows, ShadeVertexOf(face, 0), ShadeVertexOf(face, 1), ShadeVertexOf(face, 2), face);
    FlushMarkRows(rows);
    return marked[face];
}

// The opaque pass's first step, per band, into scratch buffers: the tags left
// are the faces the frame lit.
void RecordOpaqueFaces(BufferRecord& record, std::vector<uint32_t>& marks, std::vector<float>& depths) {
    std::vector<RowRange> marked(DrawnFaceCount(), RowRange{0, 0});
    for (int band = 0; band < BandCount; ++band)
        MarkNearestFaces(ScratchContext(band, record, marks.data(), depths.data()), marked.data());
    for (size_t p = 0; p < marks.size(); ++p)
        record.opaqueFace[p] = IsNearestTag(marks[p]) ? static_cast<int32_t>(FaceOfTag(marks[p])) : NoFace;
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
    for (int band = 0; band < BandCount; ++band) {
        const FaceContext context = ScratchContext(band, record, marks.data(), depths.data());
        for (uint32_t face = 0; face < DrawnFaceCount(); ++face) {
            if (!DrawnInPass(face, TranslucentPass)) continue;
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
