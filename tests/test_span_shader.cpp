// The span shader: clipping, depth and front-surface tests, lighting, texture,
// bump and store, against worked numbers and, through the gathering entry the
// band workers use, against the one-pixel-at-a-time reference shader.
#include <gtest/gtest.h>
#include <smmintrin.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <vector>

#include "core/reciprocal.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "render/eight_lane_check.h"
#include "render/lights.h"
#include "render/row_walk.h"
#include "render/shade_edges.h"
#include "render/span_shader.h"
#include "tests/support/bit_equality.h"
#include "tests/support/lane_widths.h"
#include "tests/support/reference_shader.h"
#include "tests/support/scoped_mode.h"

namespace {

// Rows of 320 pixels: rows walked together fill the pending pixels
// (PendingCapacity) several times over before they end.
constexpr int Width = 320;
constexpr int Rows = 8;
constexpr uint32_t Opaque8 = 7;  // class colour index of FaceClass 8: (111, 111, 111)
constexpr uint32_t TranslucentIndex = ClassColorIndexOf(TranslucentFaceClass);
static_assert(Width >= 2 * PendingCapacity);

uint8_t Channel(uint32_t pixel, int lane) { return static_cast<uint8_t>(pixel >> (8 * lane)); }

struct Buffers {
    explicit Buffers(int rows = Rows) : rows(rows) {}
    int rows;
    std::vector<uint32_t> colour = std::vector<uint32_t>(Width * rows, 0);
    std::vector<float> shade = std::vector<float>(Width * rows, DepthClearValue);
    std::vector<float> prepass = std::vector<float>(Width * rows, DepthClearValue);
    std::vector<uint32_t> texture = std::vector<uint32_t>(TexelCount, 0xFFFFFFFF);
    std::vector<uint8_t> heights = std::vector<uint8_t>(TexelCount, 255);
    LaneLights lights;

    // Random heights and texels.
    void Scramble(std::mt19937& random) {
        for (auto& h : heights) h = static_cast<uint8_t>(random());
        for (auto& t : texture) t = static_cast<uint32_t>(random());
    }

    FaceContext Context(uint32_t classIndex, BandRect band) {
        SplatLights(lights);
        return FaceContext{band,          Width,         prepass.data(),  classIndex, heights.data(),
                           colour.data(), shade.data(), texture.data(), &lights};
    }
    FaceContext Context(uint32_t classIndex) { return Context(classIndex, BandRect{0, rows, 0, Width}); }
};

SpanEnd End(int32_t x, Vec4 normal, float u, float v, float depth) {
    SpanEnd end;
    end.x = x;
    end.normal = normal;
    end.attrib = Vec4{{u, v, depth, 0.0f}};
    return end;
}

struct RowSpan {
    int32_t row;
    SpanEnd end1, end2;
};

// The spans of one face, one per row, as a band worker's ShadeTriangle hands
// them on: all gathered into the same pending pixels, lit whenever those fill
// up and once at the end.
void ShadeFace(const std::vector<RowSpan>& spans, const FaceContext& context) {
    WithReciprocals([&](auto reciprocals) {
        using Reciprocals = decltype(reciprocals);
        FaceRows rows;
        for (const RowSpan& span : spans) GatherSpan<Reciprocals>(rows, span.row, span.end1, span.end2, context);
        LightFaceRows<Reciprocals>(rows, context);
    });
}

void ShadeSpan(int32_t row, SpanEnd end1, SpanEnd end2, const FaceContext& c) { ShadeFace({{row, end1, end2}}, c); }

class SpanShaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLightTable();
        NormalizeLights(LightTable, LightCount);
    }
};

const Vec4 TowardsViewer{{0.0f, 0.0f, -1.0f, 0.0f}};

class GatheredSpans : public SpanShaderTest, public ::testing::WithParamInterface<int> {};

// Faces of two to eight spans on distinct rows, up to 520 columns from end to
// end, walked four rows at a time: the pending pixels fill in the middle of
// spans and collect across rows, and rows of ragged lengths share the lanes. Every class, clips at the band's four sides, zero-length normals (NaN
// after normalising), depths that tie with ShadeDepth, both arithmetic modes;
// each lane width compared bit for bit with the one-pixel reference.
TEST_P(GatheredSpans, MatchTheOnePixelReferenceBitForBit) {
    if (LaneWidthMissing(GetParam())) GTEST_SKIP() << NoEightLanes;
    const ScopedMode keptArithmetic(PortableArithmetic);
    const ScopedMode keptLanes(UseEightLanes, GetParam() == 8);
    std::mt19937 random(777);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> coord(-0.5f, 128.0f);
    std::uniform_int_distribution<int> column(-100, Width + 100);
    std::uniform_real_distribution<float> nearby(-2.5f, 2.5f);
    for (bool exact : {false, true}) {
        PortableArithmetic = exact;
        Buffers gathered, perPixel;
        gathered.Scramble(random);
        size_t comparedPixels = 0;
        for (int trial = 0; trial < 600; ++trial) {
            const uint32_t classIndex = static_cast<uint32_t>(trial % 9);
            const BandRect band = trial % 3 == 0 ? BandRect{2, 6, 30, Width - 40} : BandRect{0, Rows, 0, Width};
            const float z = 50.0f + nearby(random);
            for (size_t i = 0; i < gathered.shade.size(); ++i) {
                gathered.prepass[i] = z + nearby(random);
                // Some pixels hold exactly the span's end depth: equal depths fail.
                gathered.shade[i] = trial % 5 == 0 ? z : trial % 4 == 0 ? DepthClearValue : z + nearby(random);
                gathered.colour[i] = static_cast<uint32_t>(random());
            }
            perPixel = gathered;
            const bool zeroNormal = trial % 7 == 0;
            auto randomEnd = [&] {
                const Vec4 n = zeroNormal ? Vec4{{0, 0, 0, 0}} : Vec4{{unit(random), unit(random), unit(random), 0}};
                return End(column(random), n, coord(random), coord(random), z + nearby(random));
            };
            std::vector<RowSpan> spans;  // on two to eight rows, bottom up or top down
            for (int32_t k = trial % 2; k < Rows; k += 1 + trial % 3)
                spans.push_back({trial % 4 < 2 ? k : Rows - 1 - k, randomEnd(), randomEnd()});

            ShadeFace(spans, gathered.Context(classIndex, band));
            const ReferenceShader reference(perPixel.Context(classIndex, band), exact);
            for (const RowSpan& span : spans) {
                reference.Span(span.row, span.end1, span.end2);
                comparedPixels += static_cast<size_t>(std::abs(span.end1.x - span.end2.x));
            }
            ASSERT_TRUE(SameWords(gathered.colour, perPixel.colour)) << "colour, trial " << trial << " exact " << exact;
            ASSERT_TRUE(SameWords(gathered.shade, perPixel.shade)) << "depth, trial " << trial << " exact " << exact;
        }
        EXPECT_GT(comparedPixels, 100000u);
    }
}

INSTANTIATE_TEST_SUITE_P(LaneWidths, GatheredSpans, ::testing::Values(4, 8));

class GatheredFaces : public SpanShaderTest, public ::testing::WithParamInterface<int> {};

// Random faces walked by the row walker and gathered four rows at a time,
// against the one-row reference fed by the same walk: ragged row ends, left
// and right clips, faces cut by the band's top and bottom rows. A depth-tested
// face is drawn twice, the second time with another class over the first
// one's depths, which must keep every tied pixel. An opaque face's second step
// lights only the pixels holding its tag, in a part of its rows, where rows
// hold none, a few or all of them. Both arithmetic modes; each lane width.
TEST_P(GatheredFaces, MatchTheOneRowReferenceBitForBit) {
    if (LaneWidthMissing(GetParam())) GTEST_SKIP() << NoEightLanes;
    const ScopedMode keptArithmetic(PortableArithmetic);
    const ScopedMode keptLanes(UseEightLanes, GetParam() == 8);
    constexpr int FaceRowsHigh = 40;
    std::mt19937 random(2424);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f), nearby(-2.5f, 2.5f), chance(0.0f, 1.0f);
    std::uniform_int_distribution<int> column(-80, Width + 80), row(-8, FaceRowsHigh + 8), texel(0, 128), cut(0, 9);
    for (bool exact : {false, true}) {
        PortableArithmetic = exact;
        Buffers gathered(FaceRowsHigh), perRow(FaceRowsHigh);
        gathered.Scramble(random);
        size_t changed[2] = {0, 0};  // pixels the reference changed: depth-tested, marked
        for (int trial = 0; trial < 400; ++trial) {
            const uint32_t classIndex = static_cast<uint32_t>(trial % 9);
            const bool marked = classIndex != TranslucentIndex && trial % 2 == 1;
            const uint32_t tag = NearestTag(static_cast<uint32_t>(trial));
            const BandRect band{cut(random), FaceRowsHigh - cut(random), trial % 3 == 0 ? 30 : 0,
                                trial % 4 == 0 ? Width - 40 : Width};
            const float z = 50.0f + nearby(random);
            for (int y = 0; y < FaceRowsHigh; ++y) {
                const float tagged = std::array{0.0f, 0.05f, 0.5f, 1.0f}[random() % 4];
                for (int x = 0; x < Width; ++x) {
                    const size_t i = static_cast<size_t>(y) * Width + x;
                    gathered.prepass[i] = z + nearby(random);
                    gathered.shade[i] = trial % 4 == 0 ? DepthClearValue : z + nearby(random);
                    gathered.colour[i] = marked && chance(random) < tagged ? tag : static_cast<uint32_t>(random());
                }
            }
            perRow = gathered;
            const std::vector<uint32_t> before = gathered.colour;
            ShadeVertex v[3];
            for (ShadeVertex& corner : v) {
                const Vec4 n = trial % 11 == 0 ? Vec4{{0, 0, 0, 0}} : Vec4{{unit(random), unit(random), unit(random), 0}};
                corner = ShadeVertex{static_cast<int16_t>(column(random)), static_cast<int16_t>(row(random)),
                                     static_cast<uint16_t>(texel(random)), static_cast<uint16_t>(texel(random)),
                                     z + nearby(random), n};
            }
            // The marked rows: a part of the band's, cut at either end.
            const RowRange rows = marked ? RowRange{band.top + cut(random), band.bottom - cut(random)}
                                         : RowRange{band.top, band.bottom};
            for (int draw = 0; draw < (marked ? 1 : 2); ++draw) {
                const uint32_t drawnClass =
                    draw == 0 || classIndex == TranslucentIndex ? classIndex : 1 + classIndex % 8;
                const FaceContext context = gathered.Context(drawnClass, band);
                const ReferenceShader reference(perRow.Context(drawnClass, band), exact,
                                                marked ? std::optional(tag) : std::nullopt);
                WithReciprocals([&](auto reciprocals) {
                    using Reciprocals = decltype(reciprocals);
                    FaceRows faceRows;
                    faceRows.tag = marked ? tag : NoMarks;
                    if (marked)
                        GatherMarkedFace<Reciprocals>(faceRows, v[0], v[1], v[2], rows, context);
                    else
                        GatherFace<Reciprocals>(faceRows, v[0], v[1], v[2], context);
                    LightFaceRows<Reciprocals>(faceRows, context);
                    WalkTriangle<ShadeEdges<Reciprocals>>(
                        v[0], v[1], v[2], rows.first, rows.end,
                        [&](int32_t y, const SpanEnd& longEnd, const SpanEnd& shortEnd) {
                            reference.Span(y, longEnd, shortEnd);
                        });
                });
            }
            ASSERT_TRUE(SameWords(gathered.colour, perRow.colour)) << "colour, trial " << trial << " exact " << exact;
            ASSERT_TRUE(SameWords(gathered.shade, perRow.shade)) << "depth, trial " << trial << " exact " << exact;
            for (size_t i = 0; i < before.size(); ++i) changed[marked] += before[i] != perRow.colour[i];
        }
        EXPECT_GT(changed[0], 100000u);
        EXPECT_GT(changed[1], 50000u);
    }
}

INSTANTIATE_TEST_SUITE_P(LaneWidths, GatheredFaces, ::testing::Values(4, 8));

TEST_F(SpanShaderTest, ClipsToTheBandAndDrawsHalfOpenRuns) {
    Buffers buffers;
    const FaceContext context = buffers.Context(Opaque8, BandRect{2, 6, 0, Width});
    // Ends 10 and 11 draw column 10 alone, with the left end's values.
    ShadeSpan(2, End(11, TowardsViewer, 0, 0, 9.0f), End(10, TowardsViewer, 0, 0, 4.0f), context);
    EXPECT_EQ(buffers.shade[2 * Width + 10], 4.0f);
    EXPECT_EQ(buffers.shade[2 * Width + 11], DepthClearValue);
    EXPECT_EQ(buffers.shade[2 * Width + 9], DepthClearValue);
    // Equal ends draw nothing; rows outside [top, bottom) draw nothing.
    ShadeSpan(3, End(20, TowardsViewer, 0, 0, 1.0f), End(20, TowardsViewer, 0, 0, 1.0f), context);
    ShadeSpan(1, End(0, TowardsViewer, 0, 0, 1.0f), End(30, TowardsViewer, 0, 0, 1.0f), context);
    ShadeSpan(6, End(0, TowardsViewer, 0, 0, 1.0f), End(30, TowardsViewer, 0, 0, 1.0f), context);
    for (int row : {1, 3, 6})
        for (int x = 0; x < Width; ++x) EXPECT_EQ(buffers.shade[row * Width + x], DepthClearValue) << row;
    // The last row of the band is drawn; an end beyond the right edge stops at right - 1.
    ShadeSpan(5, End(-5, TowardsViewer, 0, 0, 0.0f), End(Width + 7, TowardsViewer, 0, 0, 0.0f), context);
    for (int x = 0; x < Width; ++x) EXPECT_EQ(buffers.shade[5 * Width + x], 0.0f);
}

TEST_F(SpanShaderTest, LeftClipAdvancesTheEndByTheClippedColumns) {
    Buffers buffers;
    const FaceContext context = buffers.Context(Opaque8);
    ShadeSpan(4, End(-5, TowardsViewer, 0, 0, 100.0f), End(20, TowardsViewer, 0, 0, 150.0f), context);
    const float step = (150.0f - 100.0f) * ReciprocalOf(25.0f);  // estimated, or exact in portable mode
    float expected = step * 5.0f + 100.0f;
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(buffers.shade[4 * Width + x], expected) << x;
        expected += step;
    }
    EXPECT_EQ(buffers.shade[4 * Width + 20], DepthClearValue);
}

TEST_F(SpanShaderTest, DepthTestRejectsEqualAndFartherDepths) {
    Buffers buffers;
    const FaceContext context = buffers.Context(Opaque8);
    buffers.shade[0] = 5.0f;
    buffers.shade[1] = 4.0f;
    buffers.colour[0] = buffers.colour[1] = 0x00123456;
    ShadeSpan(0, End(0, TowardsViewer, 0, 0, 5.0f), End(2, TowardsViewer, 0, 0, 5.0f), context);
    EXPECT_EQ(buffers.colour[0], 0x00123456u);
    EXPECT_EQ(buffers.colour[1], 0x00123456u);
}

// An opaque class-8 pixel facing the viewer: 110 in every channel on the front
// surface; (68, 55, 110) off it, where the three lights' diffuse and ambient
// terms add up and only red reaches the clamp.
TEST_F(SpanShaderTest, OpaqueLightingOnAndOffTheFrontSurface) {
    Buffers buffers;
    const FaceContext context = buffers.Context(Opaque8);
    const float z = 10.0f;
    buffers.prepass[0] = z + 1.1f;         // counts as front (inclusive)
    buffers.prepass[1] = z - 1.1f;         // does not (exclusive)
    buffers.prepass[2] = z;
    ShadeSpan(0, End(0, TowardsViewer, 0, 0, z), End(3, TowardsViewer, 0, 0, z), context);
    for (int x : {0, 2}) {
        EXPECT_EQ(Channel(buffers.colour[x], 0), 110);
        EXPECT_EQ(Channel(buffers.colour[x], 1), 110);
        EXPECT_EQ(Channel(buffers.colour[x], 2), 110);
    }
    EXPECT_EQ(Channel(buffers.colour[1], 0), 68);
    EXPECT_EQ(Channel(buffers.colour[1], 1), 55);
    EXPECT_EQ(Channel(buffers.colour[1], 2), 110);
    EXPECT_EQ(buffers.colour[0] >> 24, 0u);
    EXPECT_EQ(buffers.shade[1], z);
}

TEST_F(SpanShaderTest, TranslucentLayersAddWithSaturationAndKeepTheDepth) {
    Buffers buffers;
    const FaceContext context = buffers.Context(TranslucentIndex);
    const Vec4 perpendicular{{0.7071f, -0.7071f, 0.0f, 0.0f}};
    // Off the front surface, a normal perpendicular to all three lights adds
    // the ambient terms (38, 24, 31) times the white texel, shifted by 8.
    buffers.prepass[0] = -50.0f;
    buffers.colour[0] = 0xAB000000;
    ShadeSpan(0, End(0, perpendicular, 64, 64, 10.0f), End(1, perpendicular, 64, 64, 10.0f), context);
    EXPECT_EQ(buffers.colour[0], 0xAB000000u | 30u << 16 | 23u << 8 | 37u);
    EXPECT_EQ(buffers.shade[0], DepthClearValue);
    // Adding twice saturates per channel and does not depend on order.
    buffers.colour[1] = 0x00F0F0F0;
    buffers.prepass[1] = -50.0f;
    ShadeSpan(0, End(1, TowardsViewer, 64, 64, 10.0f), End(2, TowardsViewer, 64, 64, 10.0f), context);
    // Red reaches 255 off the front surface: 255 * 255 >> 8 adds 254.
    EXPECT_EQ(Channel(buffers.colour[1], 2), 255);
    // On the front surface the same perpendicular normal gets no specular: adds nothing.
    buffers.prepass[2] = 10.0f;
    buffers.colour[2] = 0x00010203;
    ShadeSpan(0, End(2, perpendicular, 64, 64, 10.0f), End(3, perpendicular, 64, 64, 10.0f), context);
    EXPECT_EQ(buffers.colour[2], 0x00010203u);
}

TEST_F(SpanShaderTest, TranslucentRedAtTheClampAddsTwoHundredFiftyFour) {
    Buffers buffers;
    const FaceContext context = buffers.Context(TranslucentIndex);
    buffers.prepass[0] = -50.0f;
    ShadeSpan(0, End(0, TowardsViewer, 64, 64, 10.0f), End(1, TowardsViewer, 64, 64, 10.0f), context);
    EXPECT_EQ(Channel(buffers.colour[0], 2), 254);
}

}  // namespace
