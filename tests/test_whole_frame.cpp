// Whole frames of the embedded scene: clears, determinism, the two band
// workers against one thread, band boundaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <limits>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "app/scene_files.h"
#include "app/scene_setup.h"
#include "core/reciprocal.h"
#include "core/scene_state.h"
#include "core/scene_arrays.h"
#include "platform/band_threads.h"
#include "render/band_plan.h"
#include "render/band_workers.h"
#include "render/buffer_clears.h"
#include "render/frame_pipeline.h"
#include "render/lights.h"
#include "render/prepass.h"
#include "tests/support/bit_equality.h"
#include "tests/support/chunk_writer.h"
#include "tests/support/lane_widths.h"
#include "tests/support/prepass_one_row.h"
#include "tests/support/read_only_rows.h"
#include "tests/support/scoped_mode.h"

namespace {

// A small screen keeps the frames quick; the geometry is the demo's.
constexpr int ScreenWidth = 330;
constexpr int ScreenHeight = 250;

struct Frame {
    std::vector<uint32_t> colour;
    std::vector<float> shade, prepass;
};

Frame Capture() {
    const size_t pixels = static_cast<size_t>(Scene.width) * Scene.height;
    return Frame{std::vector<uint32_t>(Scene.colorBuffer, Scene.colorBuffer + pixels),
                 std::vector<float>(Scene.shadeDepth, Scene.shadeDepth + pixels),
                 std::vector<float>(Scene.prepassDepth, Scene.prepassDepth + pixels)};
}

bool SameBytes(const Frame& a, const Frame& b) {
    return SameWords(a.colour, b.colour) && SameWords(a.shade, b.shade) && SameWords(a.prepass, b.prepass);
}

Frame DrawThreaded(uint32_t frame) {
    SeekFrame(frame);
    RenderFrame();
    return Capture();
}

Frame DrawOnOneThread(uint32_t frame) {
    SeekFrame(frame);
    PrepareFrame();
    RenderBand(0);
    RenderBand(1);
    return Capture();
}

class WholeFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenHeadlessScene(ScreenWidth, ScreenHeight)); }
    static void TearDownTestSuite() { CloseHeadlessScene(); }
};

// Frames spread over a turn and a zoom swing.
const uint32_t SampleFrames[] = {0, 128, 300, 561, 1473};

TEST_F(WholeFrame, UncoveredPixelsAreBlackAtTheClearDepth) {
    for (uint32_t frame : SampleFrames) {
        const Frame f = DrawThreaded(frame);
        size_t covered = 0;
        for (size_t i = 0; i < f.colour.size(); ++i) {
            if (f.prepass[i] != DepthClearValue) {
                ++covered;
                continue;
            }
            ASSERT_EQ(f.colour[i], 0u) << "frame " << frame << " pixel " << i;
            ASSERT_EQ(f.shade[i], 60000.1015625f) << "frame " << frame << " pixel " << i;
        }
        // The model is on screen but does not fill it; the corners stay clear.
        EXPECT_GT(covered, f.colour.size() / 50) << frame;
        EXPECT_LT(covered, f.colour.size()) << frame;
        EXPECT_EQ(f.prepass.front(), DepthClearValue);
        EXPECT_EQ(f.prepass.back(), DepthClearValue);
    }
}

TEST_F(WholeFrame, EveryDrawnPixelWasReachedByThePrepass) {
    const Frame f = DrawThreaded(300);
    for (size_t i = 0; i < f.colour.size(); ++i)
        if (f.shade[i] != DepthClearValue || f.colour[i] != 0) {
            ASSERT_NE(f.prepass[i], DepthClearValue) << i;
        }
}

// The frame's pre-pass, drawn four rows at a time, against every face drawn
// one row at a time (PrepassTriangleOneRow) into a second buffer.
TEST_F(WholeFrame, PrepassMatchesOneRowAtATime) {
    for (uint32_t frame : SampleFrames) {
        const Frame f = DrawThreaded(frame);
        std::vector<float> oneRow(f.prepass.size(), DepthClearValue);
        for (uint32_t i = 0; i < Scene.faceCount; ++i) {
            PrepassVertex v[3];
            if (PrepassCornersOf(i, v)) PrepassTriangleOneRow(v[0], v[1], v[2], oneRow.data());
        }
        EXPECT_TRUE(SameWords(oneRow, f.prepass)) << frame;
    }
}

TEST_F(WholeFrame, SameFrameTwiceIsIdentical) {
    for (uint32_t frame : SampleFrames) EXPECT_TRUE(SameBytes(DrawThreaded(frame), DrawThreaded(frame))) << frame;
}

TEST_F(WholeFrame, TwoWorkersMatchBothBandsOnOneThread) {
    for (uint32_t frame : SampleFrames)
        EXPECT_TRUE(SameBytes(DrawThreaded(frame), DrawOnOneThread(frame))) << frame;
}

TEST_F(WholeFrame, EachBandDrawsOnlyItsOwnRows) {
    const uint32_t frame = 561;  // the largest zoom: the model crosses the middle row
    const Frame whole = DrawOnOneThread(frame);
    const size_t half = static_cast<size_t>(Scene.height / 2) * Scene.width;
    // The band boundary of this screen is not on a 16-byte boundary, so the
    // band's own clear must end (or start) mid-group there.
    static_assert(ScreenHeight / 2 * ScreenWidth % 4 != 0);
    const uint32_t poisonColour = 0xA5A5A5A5u;
    const float poisonDepth = -7.0f;
    for (int band = 0; band < 2; ++band) {
        SeekFrame(frame);
        PrepareFrame();
        const size_t pixels = static_cast<size_t>(Scene.width) * Scene.height;
        std::fill(Scene.colorBuffer, Scene.colorBuffer + pixels, poisonColour);
        std::fill(Scene.shadeDepth, Scene.shadeDepth + pixels, poisonDepth);
        RenderBand(band);
        const Frame f = Capture();
        const size_t ownBegin = band == 0 ? 0 : half, ownEnd = band == 0 ? half : f.colour.size();
        size_t drawnInOwn = 0;
        for (size_t i = 0; i < f.colour.size(); ++i) {
            const bool own = i >= ownBegin && i < ownEnd;
            if (own) {
                ASSERT_EQ(f.colour[i], whole.colour[i]) << "band " << band << " pixel " << i;
                ASSERT_EQ(f.shade[i], whole.shade[i]) << "band " << band << " pixel " << i;
                drawnInOwn += f.colour[i] != 0;
            } else {
                ASSERT_EQ(f.colour[i], poisonColour) << "band " << band << " pixel " << i;
                ASSERT_EQ(f.shade[i], poisonDepth) << "band " << band << " pixel " << i;
            }
        }
        EXPECT_GT(drawnInOwn, 0u) << band;
    }
    // Both rows next to the boundary are drawn (by their own bands).
    const size_t lastTop = half - Scene.width, firstBottom = half;
    size_t lastTopDrawn = 0, firstBottomDrawn = 0;
    for (size_t c = 0; c < Scene.width; ++c) {
        lastTopDrawn += whole.colour[lastTop + c] != 0;
        firstBottomDrawn += whole.colour[firstBottom + c] != 0;
    }
    EXPECT_GT(lastTopDrawn, 0u);
    EXPECT_GT(firstBottomDrawn, 0u);
}

// Two opaque faces with the same corners tie at every pixel: the earlier one
// keeps it, as lighting every fragment in face order would. Right triangles
// give spans of every length from 1 to 12, at start columns of every residue
// modulo 8, clipped at the left and right edges, in either band and across the
// middle row; both arithmetic modes, each lane width.
class WholeFrameLanes : public WholeFrame, public ::testing::WithParamInterface<int> {};

TEST_P(WholeFrameLanes, EqualDepthsKeepTheEarlierFace) {
    if (LaneWidthMissing(GetParam())) GTEST_SKIP() << NoEightLanes;
    const std::vector<Face> savedFaces(ModelFaces, ModelFaces + Scene.faceCount);
    const ScopedMode keptArithmetic(PortableArithmetic);
    const ScopedMode keptLanes(UseEightLanes, GetParam() == 8);
    constexpr uint32_t Earlier = 52, Later = 429;  // the first faces of classes 2 and 3
    constexpr int Side = 12;
    struct Place {
        int x, y;
    };
    std::vector<Place> places;
    for (int y : {10, Scene.height / 2 - Side / 2, Scene.height - Side - 10}) {
        places.push_back({-5, y});
        for (int k = 0; 16 * k + 8 + Side < Scene.width; ++k) places.push_back({16 * k + k % 8, y});
        places.push_back({Scene.width - 6, y});
    }
    auto draw = [&](bool earlier, bool later) {
        SeekFrame(0);
        PrepareFrame();
        std::fill(ModelFaces, ModelFaces + Scene.faceCount, Face{0, 0, 0});
        for (uint16_t p = 0; p < places.size(); ++p) {
            const float x = static_cast<float>(places[p].x), y = static_cast<float>(places[p].y);
            const float z = 3.0f + 0.01f * p;
            const bool leftCorner = p % 2 == 0;  // a vertical left edge, else a vertical right edge
            const uint16_t v = static_cast<uint16_t>(3 * p);
            ScreenVertices[v] = Vec3{x, y, z};
            ScreenVertices[v + 1] = Vec3{x + Side, y, z + 0.37f};
            ScreenVertices[v + 2] = Vec3{leftCorner ? x : x + Side, y + Side, z + 0.71f};
            const Face face{v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(v + 2)};
            if (earlier) ModelFaces[Earlier + p] = face;
            if (later) ModelFaces[Later + p] = face;
        }
        ClearPrepassDepth();
        DrawPrepass();
        RenderBand(0);
        RenderBand(1);
        return Capture();
    };
    for (bool exact : {false, true}) {
        PortableArithmetic = exact;
        const Frame earlierAlone = draw(true, false), laterAlone = draw(false, true), both = draw(true, true);
        size_t covered = 0, told = 0;  // pixels drawn, and those where the two faces' colours differ
        for (size_t i = 0; i < earlierAlone.colour.size(); ++i) {
            covered += earlierAlone.shade[i] != DepthClearValue;
            told += earlierAlone.colour[i] != laterAlone.colour[i];
        }
        EXPECT_EQ(told, covered);
        EXPECT_TRUE(SameBytes(both, earlierAlone)) << (exact ? "exact" : "estimates");
    }
    std::copy(savedFaces.begin(), savedFaces.end(), ModelFaces);
}

TEST_F(WholeFrame, FramesAfterTheWrapMatchTheirSeek) {
    // Drawing frames 510..513 in sequence equals seeking to 513 directly.
    SeekFrame(510);
    for (int i = 0; i < 3; ++i) {
        RenderFrame();
        AdvanceFrame();
    }
    EXPECT_EQ(Scene.frameCounter, 1u);
    RenderFrame();
    const Frame sequential = Capture();
    EXPECT_TRUE(SameBytes(sequential, DrawThreaded(513)));
}

TEST_F(WholeFrame, FacesWithANonFiniteCornerAreLeftOut) {
    // A NaN or infinite coordinate has no place on the screen. Its faces must
    // leave the frame exactly as if they covered no pixel at all (collapsed to
    // one vertex), rather than reach in from row -32768.
    const uint32_t frame = 0;  // depth is x here: the vertex of smallest x is the nearest
    const std::vector<Face> faces(ModelFaces, ModelFaces + Scene.faceCount);
    uint16_t hostile = 0;
    for (uint16_t v = 1; v < Scene.vertexCount; ++v)
        if (ModelVertices[v].x < ModelVertices[hostile].x) hostile = v;
    const Vec3 kept = ModelVertices[hostile];
    const uint16_t other = hostile == 0 ? 1 : 0;
    const Frame whole = DrawThreaded(frame);
    for (uint32_t f = 0; f < Scene.faceCount; ++f) {
        const Face& face = ModelFaces[f];
        if (face.a == hostile || face.b == hostile || face.c == hostile) ModelFaces[f] = Face{other, other, other};
    }
    const Frame collapsed = DrawThreaded(frame);
    std::copy(faces.begin(), faces.end(), ModelFaces);
    EXPECT_FALSE(SameBytes(collapsed, whole)) << "the faces are in view";

    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
        // Only y: a NaN depth alone would already keep the faces out of every buffer.
        ModelVertices[hostile] = Vec3{kept.x, bad, kept.z};
        EXPECT_TRUE(SameBytes(DrawThreaded(frame), collapsed)) << bad;
    }
    ModelVertices[hostile] = kept;
    EXPECT_TRUE(SameBytes(DrawThreaded(frame), whole));
}

// Right triangles, opaque and translucent, whose spans of ragged lengths run
// up to the right edge (ending on it, or clipped there) and from the left edge
// on the rows on either side of the band boundary and of the picture's first
// and last rows. Every other face covers nothing.
void PlaceEdgeTriangles() {
    const int width = Scene.width, height = Scene.height;
    std::fill(ModelFaces, ModelFaces + Scene.faceCount, Face{0, 0, 0});
    constexpr int Across = 37, Rows = 6;  // spans of 37 columns narrowing to 3 over 12 rows
    uint16_t v = 0;
    uint32_t translucentFace = 0, opaqueFace = 52;  // the first faces of classes 1 and 2
    for (int row : {0, height / 2, height}) {
        for (int edge : {0, -3, width, width + 3}) {
            const float inward = edge <= 0 ? Across : -Across;
            const float x = static_cast<float>(edge), y = static_cast<float>(row);
            for (float depth : {5.0f, 4.0f}) {  // translucent faces in front
                ScreenVertices[v] = Vec3{x, y - Rows, depth};
                ScreenVertices[v + 1] = Vec3{x + inward, y - Rows, depth};
                ScreenVertices[v + 2] = Vec3{x, y + Rows, depth};
                ModelFaces[depth == 4.0f ? translucentFace++ : opaqueFace++] =
                    Face{v, static_cast<uint16_t>(v + 1), static_cast<uint16_t>(v + 2)};
                v += 3;
            }
        }
    }
}

// A band stores nothing outside its own rows, not even a value it has just
// read there: the other worker may be storing into that memory meanwhile, and
// the write-back would undo its store. The poisoned buffers above cannot see
// a write-back, so here every other row of ColorBuffer and ShadeDepth, a page
// on either side of each, and all of PrepassDepth are read-only while one band
// draws the edge triangles (in a child process, which such a store ends). The
// two workers also draw them at once, for the thread sanitizer's run. Run
// with the opaque faces marked first and with every fragment lit in turn
// (both passes holding every face), whose opaque walk stores depths itself.
void CheckBandsStoreOnlyInTheirRows() {
    const int width = Scene.width, height = Scene.height, half = height / 2;
    ASSERT_EQ(width, ReadOnlyRows::RowPixels);
    ReadOnlyRows colour(height), shade(height), prepass(height);
    const ScopedMode keptColour(Scene.colorBuffer, colour.Pixels<uint32_t>());
    const ScopedMode keptShade(Scene.shadeDepth, shade.Pixels<float>());
    const ScopedMode keptPrepass(Scene.prepassDepth, prepass.Pixels<float>());
    SeekFrame(0);
    PrepareFrame();
    PlaceEdgeTriangles();
    ClearPrepassDepth();
    DrawPrepass();
    RenderBand(0);
    RenderBand(1);
    const Frame oneThread = Capture();
    for (int row : {0, half - 1, half, height - 1})
        for (int column : {0, width - 1})
            EXPECT_NE(oneThread.colour[static_cast<size_t>(row) * width + column], 0u) << row << ", " << column;
    ForkJoinBandWorkers(RenderBand);
    EXPECT_TRUE(SameBytes(Capture(), oneThread));

    for (int band = 0; band < 2; ++band) {
        const int first = band * half, end = first + half;
        EXPECT_EXIT(
            {
                colour.WritableOnly(first, end);
                shade.WritableOnly(first, end);
                prepass.AllReadOnly();
                RenderBand(band);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(0), "")
            << "band " << band << " stored outside rows " << first << " to " << end - 1;
    }
}

TEST(WholeFrameBandRows, NoBandStoresOutsideItsRows) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fork would copy the sanitizers' threads
    ASSERT_TRUE(OpenHeadlessScene(ReadOnlyRows::RowPixels + 10, 74));
    for (int32_t otherClassPass : {Scene.otherClassPass, TranslucentPass}) {
        const ScopedMode keptPass(Scene.otherClassPass, otherClassPass);
        SCOPED_TRACE(otherClassPass == TranslucentPass ? "every fragment lit" : "nearest marked first");
        CheckBandsStoreOnlyInTheirRows();  // puts the scene's own buffers back
    }
    CloseHeadlessScene();
}

INSTANTIATE_TEST_SUITE_P(LaneWidths, WholeFrameLanes, ::testing::Values(4, 8));

// A band drawn with every fragment that passes the depth test lit in turn,
// pass by pass: the reference for the band workers' two steps of the opaque
// faces (marking the nearest fragments, then lighting only those).
void DrawBandLightingEveryFragment(int band) {
    ClearBandRows(band);
    FaceContext context =
        BandContextOver(band, Scene.width, Scene.height, Scene.prepassDepth, Scene.colorBuffer, Scene.shadeDepth);
    LaneLights lights;
    SplatLights(lights);
    context.lights = &lights;
    for (int order = 0; order < PassesPerBand; ++order) DrawEveryFragment(BandPass(order), context);
}

// Opaque faces lit only where they stay visible against every fragment lit as
// it passes the depth test (in four lanes): whole frames at several zooms and
// screen sizes, in both arithmetic modes, colour and depth identical, with
// the frame lit in each lane width.
class WholeFrameWinners : public ::testing::TestWithParam<int> {};

TEST_P(WholeFrameWinners, LightingOnlyTheNearestMatchesLightingEveryFragment) {
    if (LaneWidthMissing(GetParam())) GTEST_SKIP() << NoEightLanes;
    const ScopedMode keptArithmetic(PortableArithmetic);
    const ScopedMode keptLanes(UseEightLanes);
    const int screens[][2] = {{330, 250}, {641, 483}, {1290, 730}};
    for (const auto& screen : screens) {
        ASSERT_TRUE(OpenHeadlessScene(screen[0], screen[1]));
        for (bool exact : {false, true}) {
            PortableArithmetic = exact;
            for (uint32_t frame : {0u, 300u, 561u, 1000u, 1473u}) {
                SeekFrame(frame);
                PrepareFrame();
                UseEightLanes = false;
                for (int band = 0; band < BandCount; ++band) DrawBandLightingEveryFragment(band);
                const Frame reference = Capture();
                UseEightLanes = GetParam() == 8;
                EXPECT_TRUE(SameBytes(reference, DrawThreaded(frame)))
                    << screen[0] << "x" << screen[1] << " frame " << frame << (exact ? " exact" : " estimates");
            }
        }
    }
    CloseHeadlessScene();
}

INSTANTIATE_TEST_SUITE_P(LaneWidths, WholeFrameWinners, ::testing::Values(4, 8));

// A sphere of columns x rows vertices, its faces in bands from the top, cut
// after faceCount: one object of a 3DS stream.
std::vector<uint8_t> SphereModel(int columns, int rows, int faceCount) {
    ChunkWriter w;
    const size_t main = w.Header(0x4D4D);
    w.Header(0x3D3D);
    w.Header(0x4000);
    w.Text("sphere");
    w.Header(0x4100);
    w.Header(0x4110);
    w.U16(static_cast<uint32_t>(columns * rows));
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const float around = 6.2831853f * column / columns, down = 3.1415927f * (row + 0.5f) / rows;
            w.Float(std::cos(around) * std::sin(down));
            w.Float(std::cos(down));
            w.Float(std::sin(around) * std::sin(down));
        }
    w.Header(0x4120);
    w.U16(static_cast<uint32_t>(faceCount));
    for (int face = 0; face < faceCount; ++face) {
        const int row = face / 2 / columns, column = face / 2 % columns;
        const uint32_t a = row * columns + column, b = row * columns + (column + 1) % columns;
        const uint32_t corners[2][3] = {{a, b, a + columns}, {b, b + columns, a + columns}};
        for (uint32_t corner : corners[face % 2]) w.U16(corner);
        w.U16(0);
    }
    w.CloseChunk(main);
    return w.bytes;
}

// A model at both limits (65535 vertices, 65535 faces, every seventh face
// translucent): face tags, the marked-row tables and the class table reach
// their last entries, and the nearest-lit frame still equals every fragment
// lit in turn, drawn by the two workers as on one thread.
TEST(WholeFrameWinners, AModelAtTheLimitsDrawsAsEveryFragmentLitInTurn) {
    const std::vector<uint8_t> model = SphereModel(255, 257, MaxModelFaces);
    std::vector<uint8_t> classes;
    for (int face = 0; face < MaxModelFaces; ++face)
        classes.insert(classes.end(), {static_cast<uint8_t>(face % 7 == 6 ? 1 : 2 + face % 8), 0});
    ASSERT_TRUE(OpenHeadlessScene(ScreenWidth, ScreenHeight));
    std::string error;
    ASSERT_TRUE(InstallScene({{true, "sphere.3ds", model.data(), model.size()},
                              {},
                              {true, "sphere.bin", classes.data(), classes.size()}},
                             error))
        << error;
    ASSERT_EQ(Scene.vertexCount, MaxModelVertices);
    ASSERT_EQ(Scene.faceCount, MaxModelFaces);
    for (uint32_t frame : {300u, 561u}) {
        SeekFrame(frame);
        PrepareFrame();
        for (int band = 0; band < BandCount; ++band) DrawBandLightingEveryFragment(band);
        const Frame reference = Capture();
        EXPECT_GT(std::count_if(reference.colour.begin(), reference.colour.end(), [](uint32_t p) { return p != 0; }),
                  ScreenWidth * ScreenHeight / 10);
        EXPECT_TRUE(SameBytes(reference, DrawThreaded(frame))) << frame;
        EXPECT_TRUE(SameBytes(reference, DrawOnOneThread(frame))) << frame;
    }
    PrepareScene();
    CloseHeadlessScene();
}

}  // namespace
