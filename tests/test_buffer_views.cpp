// The buffer views of velmora-render --buffers: their pictures against golden
// ones, and the face view against the visibility rule worked out face by face.
//
// Frame 400 in portable mode (exact reciprocals, the same bits on every
// processor) at a 330 x 190 screen: translucent faces in front of opaque ones,
// so every view has something to show. The goldens are velmora-render's own:
//   velmora-render --portable --screen 330x190 --frames 400 --buffers --out DIR
// (the frame_000400_<view>.png files, not the frame itself).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/frame_sequence.h"
#include "core/scene_state.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "render/frame_pipeline.h"
#include "render/nearest_marks.h"
#include "tests/support/picture_difference.h"
#include "tests/support/portable_scene.h"
#include "tools/velmora_render/buffer_views.h"
#include "tools/velmora_render/image_file.h"

namespace {

constexpr uint32_t ViewedFrame = 400;

class BufferViews : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(PortableScene::Open(330, 190));
        SeekFrame(ViewedFrame);
        RenderFrame();
        RecordFrameBuffers(record);
    }
    static void TearDownTestSuite() { PortableScene::Close(); }
    static inline BufferRecord record;
};

TEST_F(BufferViews, EveryViewMatchesItsGoldenPicture) {
    ASSERT_TRUE(record.shadeDepthMatches);
    std::vector<uint32_t> picture, golden;
    for (int v = 0; v < static_cast<int>(BufferView::Count); ++v) {
        const BufferView view = static_cast<BufferView>(v);
        const std::string path = std::string(VELMORA_GOLDEN_DIR) + "/views/frame_000400_" + BufferViewName(view) + ".png";
        int width = 0, height = 0;
        std::string error;
        ASSERT_TRUE(ReadPng(path, golden, width, height, error)) << error;
        ASSERT_EQ(width, record.width);
        ASSERT_EQ(height, record.height);
        DrawBufferView(view, record, picture);
        EXPECT_EQ(PictureDifference(golden.data(), picture.data(), picture.size(), record.width), "")
            << BufferViewName(view);
    }
}

// Every opaque face marked alone, band by band, gives its depth at each pixel
// it covers; the face the view names must be the nearest of them, the earliest
// on equal depths, at the depth the frame left in ShadeDepth, in its colour.
TEST_F(BufferViews, FaceViewNamesTheNearestFaceAtTheFramesDepth) {
    const size_t pixels = record.color.size();
    std::vector<uint32_t> marks(pixels, 0u);
    std::vector<float> depths(pixels, DepthClearValue);
    std::vector<float> nearestDepth(pixels, DepthClearValue);
    std::vector<int32_t> nearestFace(pixels, NoFace);
    const size_t width = static_cast<size_t>(record.width);
    std::vector<RowRange> marked(DrawnFaceCount(), RowRange{0, 0});
    for (int band = 0; band < BandCount; ++band)
        for (uint32_t face = 0; face < DrawnFaceCount(); ++face) {
            if (!DrawnInPass(face, OtherClassPass())) continue;
            const RowRange rows = MarkFaceInBand(face, band, record, marks.data(), depths.data(), marked);
            if (rows.Empty()) continue;
            for (size_t p = static_cast<size_t>(rows.first) * width; p < static_cast<size_t>(rows.end) * width; ++p) {
                if (marks[p] == NearestTag(face) && depths[p] < nearestDepth[p]) {
                    nearestDepth[p] = depths[p];
                    nearestFace[p] = static_cast<int32_t>(face);
                }
                marks[p] = 0;
                depths[p] = DepthClearValue;
            }
        }
    std::vector<uint32_t> picture;
    DrawBufferView(BufferView::Faces, record, picture);
    size_t faced = 0;
    for (size_t p = 0; p < pixels; ++p) {
        ASSERT_EQ(record.opaqueFace[p], nearestFace[p]) << "column " << p % width << ", row " << p / width;
        ASSERT_EQ(std::memcmp(&nearestDepth[p], &record.shadeDepth[p], sizeof(float)), 0) << "pixel " << p;
        if (nearestFace[p] == NoFace || record.translucentLayers[p] > 0) continue;
        ++faced;
        // A translucent face's outline also crosses the opaque pixels beside it.
        const bool besideTranslucent = ((p + 1) % width != 0 && record.nearestTranslucentFace[p + 1] != NoFace) ||
                                       (p + width < pixels && record.nearestTranslucentFace[p + width] != NoFace);
        if (!besideTranslucent) {
            ASSERT_EQ(picture[p], FaceColour(nearestFace[p])) << "pixel " << p;
        }
    }
    EXPECT_GT(faced, pixels / 10);  // the frame is not empty
    size_t translucent = 0;
    for (uint8_t layers : record.translucentLayers) translucent += layers > 0;
    EXPECT_GT(translucent, 0u);  // and shows translucent faces in front
}

}  // namespace
