// The span shader: clipping, depth and front-surface tests, lighting, texture,
// bump and store, against worked numbers and against the one-pixel-at-a-time
// reference shader on many random spans.
#include <gtest/gtest.h>
#include <smmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/reciprocal.h"
#include "render/buffer_clears.h"
#include "render/eight_lane_check.h"
#include "render/lights.h"
#include "render/span_shader.h"
#include "tests/support/scoped_mode.h"
#include "tests/support/bit_equality.h"
#include "tests/support/reference_shader.h"

namespace {

constexpr int Width = 64;
constexpr int Rows = 8;
constexpr int MapSize = 128;
constexpr uint32_t Opaque8 = 7;  // class colour index of FaceClass 8: (111, 111, 111)
constexpr uint32_t TranslucentIndex = ClassColorIndexOf(TranslucentFaceClass);

float Rcp(float x) { return ReciprocalOf(x); }  // estimated, or exact in portable mode
uint8_t Channel(uint32_t pixel, int lane) { return static_cast<uint8_t>(pixel >> (8 * lane)); }

struct Buffers {
    std::vector<uint32_t> colour = std::vector<uint32_t>(Width * Rows, 0);
    std::vector<float> shade = std::vector<float>(Width * Rows, DepthClearValue);
    std::vector<float> prepass = std::vector<float>(Width * Rows, DepthClearValue);
    std::vector<uint32_t> texture = std::vector<uint32_t>(MapSize * MapSize, 0xFFFFFFFF);
    std::vector<uint8_t> heights = std::vector<uint8_t>(MapSize * MapSize, 255);

    FaceContext Context(uint32_t classIndex, BandRect band = {0, Rows, 0, Width}) {
        return FaceContext{band, Width, prepass.data(), classIndex, heights.data(),
                           colour.data(), shade.data(), texture.data()};
    }
};

SpanEnd End(int32_t x, Vec4 normal, float u, float v, float depth) {
    SpanEnd end;
    end.x = x;
    end.normal = normal;
    end.attrib = Vec4{{u, v, depth, 0.0f}};
    return end;
}

class SpanShaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLightTable();
        NormalizeLights(LightTable, LightCount);
    }
};

const Vec4 TowardsViewer{{0.0f, 0.0f, -1.0f, 0.0f}};

TEST_F(SpanShaderTest, MatchesTheScalarVersionOnRandomSpans) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> coord(0.0f, 128.0f);
    std::uniform_real_distribution<float> depth(-300.0f, 300.0f);
    std::uniform_int_distribution<int> column(-20, Width + 20);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_real_distribution<float> nearby(-2.5f, 2.5f);
    Buffers fast, reference;
    for (size_t i = 0; i < fast.heights.size(); ++i) fast.heights[i] = static_cast<uint8_t>(byte(random));
    for (auto& t : fast.texture) t = static_cast<uint32_t>(random());
    int comparedPixels = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const uint32_t classIndex = static_cast<uint32_t>(trial % 9);
        const BandRect band = trial % 3 == 0 ? BandRect{2, 6, 0, Width} : BandRect{0, Rows, 0, Width};
        const float z = depth(random);
        for (size_t i = 0; i < fast.shade.size(); ++i) {
            fast.prepass[i] = z + nearby(random);
            fast.shade[i] = trial % 4 == 0 ? DepthClearValue : z + nearby(random) * 100.0f;
            fast.colour[i] = static_cast<uint32_t>(random());
        }
        reference.colour = fast.colour;
        reference.shade = fast.shade;
        reference.prepass = fast.prepass;
        reference.heights = fast.heights;
        reference.texture = fast.texture;
        const SpanEnd a = End(column(random), Vec4{{unit(random), unit(random), unit(random), 0}}, coord(random),
                              coord(random), z + depth(random) * 0.01f);
        const SpanEnd b = End(column(random), Vec4{{unit(random), unit(random), unit(random), 0}}, coord(random),
                              coord(random), z + depth(random) * 0.01f);
        const int32_t row = trial % Rows;
        const FaceContext fastContext = fast.Context(classIndex, band);
        const FaceContext referenceContext = reference.Context(classIndex, band);
        ShadeSpan(row, a, b, fastContext);
        ReferenceShader(referenceContext, PortableArithmetic).Span(row, a, b);
        ASSERT_TRUE(SameWords(fast.colour, reference.colour)) << "colour differs, trial " << trial;
        ASSERT_TRUE(SameWords(fast.shade, reference.shade)) << "depth differs, trial " << trial;
        comparedPixels += std::abs(a.x - b.x);
    }
    EXPECT_GT(comparedPixels, 10000);
}

// The batched shader against the one-pixel-at-a-time reference, in both
// arithmetic modes and with four and (where the processor allows) eight
// lanes, on random spans that include zero-length normals (NaN after
// normalising), depth ties with ShadeDepth and long spans that fill several
// batches.
TEST_F(SpanShaderTest, BatchedShaderMatchesThePerPixelShaderBitForBit) {
    const ScopedMode keptArithmetic(PortableArithmetic);
    const ScopedMode keptLanes(UseEightLanes);
    for (bool eight : {false, true}) {
        if (eight && !EightLanesUsable()) continue;
        UseEightLanes = eight;
        std::mt19937 random(777);
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        std::uniform_real_distribution<float> coord(-0.5f, 128.0f);
        std::uniform_int_distribution<int> column(-150, Width + 150);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_real_distribution<float> nearby(-2.5f, 2.5f);
        for (bool exact : {false, true}) {
            PortableArithmetic = exact;
            Buffers batched, perPixel;
            for (auto& h : batched.heights) h = static_cast<uint8_t>(byte(random));
            for (auto& t : batched.texture) t = static_cast<uint32_t>(random());
            for (int trial = 0; trial < 2000; ++trial) {
                const uint32_t classIndex = static_cast<uint32_t>(trial % 9);
                const float z = 50.0f + nearby(random);
                for (size_t i = 0; i < batched.shade.size(); ++i) {
                    batched.prepass[i] = z + nearby(random);
                    // Some pixels hold exactly the span's end depth: equal depths fail.
                    batched.shade[i] = trial % 5 == 0 ? z : trial % 4 == 0 ? DepthClearValue : z + nearby(random);
                    batched.colour[i] = static_cast<uint32_t>(random());
                }
                perPixel = batched;
                const bool zeroNormal = trial % 7 == 0;
                auto randomEnd = [&] {
                    const Vec4 n =
                        zeroNormal ? Vec4{{0, 0, 0, 0}} : Vec4{{unit(random), unit(random), unit(random), 0}};
                    return End(column(random), n, coord(random), coord(random), z + nearby(random));
                };
                const SpanEnd a = randomEnd(), b = randomEnd();
                const int32_t row = trial % Rows;
                ShadeSpan(row, a, b, batched.Context(classIndex));
                ReferenceShader(perPixel.Context(classIndex), exact).Span(row, a, b);
                ASSERT_EQ(0, std::memcmp(batched.colour.data(), perPixel.colour.data(), batched.colour.size() * 4))
                    << "colour differs, trial " << trial << (exact ? " (exact)" : " (estimates)");
                ASSERT_EQ(0, std::memcmp(batched.shade.data(), perPixel.shade.data(), batched.shade.size() * 4))
                    << "depth differs, trial " << trial << (exact ? " (exact)" : " (estimates)") << " lanes "
                    << (eight ? 8 : 4);
            }
        }
    }
}

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
    const float step = (150.0f - 100.0f) * Rcp(25.0f);
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
