// Frame pipeline: clears, rotation, zoom animation, screen mapping and the
// screen-point rule.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "app/scene_setup.h"
#include "core/scene_arrays.h"
#include "core/scene_state.h"
#include "render/buffer_clears.h"
#include "render/model_transform.h"
#include "render/screen_point.h"
#include "tests/support/scoped_scene_state.h"

namespace {

class FramePipelineTest : public ::testing::Test {
protected:
    ScopedSceneState scene;
};

TEST_F(FramePipelineTest, FillDwordsWritesWholeGroupsOfFour) {
    for (auto fill : {FillDwords, StreamDwords}) {
        alignas(16) uint32_t words[28];
        std::fill(std::begin(words), std::end(words), 7u);
        fill(0xDEADBEEF, 6, words);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(words[i], i < 4 ? 0xDEADBEEFu : 7u) << i;
        fill(1, 3, words + 8);
        EXPECT_EQ(words[8], 7u);
        // Five groups: a step of four and one more; the last two words stay.
        fill(2, 22, words + 4);
        for (int i = 4; i < 28; ++i) EXPECT_EQ(words[i], i < 24 ? 2u : 7u) << i;
    }
}

TEST_F(FramePipelineTest, RotationAtCounterZeroExchangesXAndZ) {
    Scene.frameCounter = 0;
    ComputeRotation();
    EXPECT_EQ(Scene.rotation[0], 1.0f);
    EXPECT_EQ(Scene.rotation[1], 0.0f);
    EXPECT_EQ(Scene.rotation[2], -1.0f);
    EXPECT_TRUE(std::signbit(Scene.rotation[3]));
    Vec3 in[2] = {{1.5f, -2.25f, 3.0f}, {}};
    Vec3 out[2] = {};
    RotateVectors(in, out, 1);
    EXPECT_EQ(out[0].x, 3.0f);
    EXPECT_EQ(out[0].y, -2.25f);
    EXPECT_EQ(out[0].z, 1.5f);
}

TEST_F(FramePipelineTest, RotationAtCounter128IsAQuarterTurnWithMirror) {
    Scene.frameCounter = 128;
    ComputeRotation();
    EXPECT_NEAR(Scene.rotation[0], 0.000236f, 1e-6f);
    EXPECT_EQ(Scene.rotation[1], 1.0f);
    Vec3 in[2] = {{0.5f, 0.25f, 0.75f}, {}};
    Vec3 out[2] = {};
    RotateVectors(in, out, 1);
    EXPECT_NEAR(out[0].x, 0.5f, 1e-3f);
    EXPECT_NEAR(out[0].z, -0.75f, 1e-3f);
}

// The coefficients come from the C library's double cos and sin; every
// platform must round them to the same floats, which holds when the double
// results round to the floats nearest the exact values. Checked against
// long double for the whole turn.
TEST_F(FramePipelineTest, RotationCoefficientsAreTheNearestFloatsForEveryCounter) {
    for (uint32_t counter = 0; counter <= FrameCounterMask; ++counter) {
        Scene.frameCounter = counter;
        ComputeRotation();
        const long double angle = static_cast<long double>(counter) * static_cast<long double>(AngleStep);
        ASSERT_EQ(Scene.rotation[0], static_cast<float>(std::cos(angle))) << counter;
        ASSERT_EQ(Scene.rotation[1], static_cast<float>(std::sin(angle))) << counter;
        ASSERT_EQ(Scene.rotation[2], -Scene.rotation[0]);
        ASSERT_EQ(Scene.rotation[3], -Scene.rotation[1]);
    }
}

TEST_F(FramePipelineTest, RotateVectorsMatchesScalarArithmeticAndStoresTwelveBytes) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    constexpr int Count = 500;
    std::vector<Vec3> in(Count + 1), out(Count + 2);
    for (auto& v : in) v = {value(random), value(random), value(random)};
    const float sentinel = 1234.5f;
    out[Count] = {sentinel, sentinel, sentinel};
    for (uint32_t counter : {0u, 1u, 77u, 255u, 300u, 511u}) {
        Scene.frameCounter = counter;
        ComputeRotation();
        RotateVectors(in.data(), out.data(), Count);
        const float c = Scene.rotation[0], s = Scene.rotation[1], ns = Scene.rotation[3];
        for (int i = 0; i < Count; ++i) {
            const float x = in[i].x, z = in[i].z;
            const float xs = x * s, zc = z * c, xc = x * c, zns = z * ns;
            ASSERT_EQ(out[i].x, xs + zc) << i;
            ASSERT_EQ(out[i].y, in[i].y) << i;
            ASSERT_EQ(out[i].z, xc + zns) << i;
        }
        EXPECT_EQ(out[Count].x, sentinel);
    }
}

TEST_F(FramePipelineTest, ZoomSwingTurnsAtItsEndsAndDrifts) {
    Scene.zoomScale = 267.0f;  // height 1070
    std::vector<float> scales;
    for (int frame = 0; frame < 2386; ++frame) {
        StepZoom();
        scales.push_back(Scene.zoomScale);
        EXPECT_LE(Scene.zoomStepCounter, ZoomTurnCounter);
    }
    EXPECT_EQ(scales[0], 267.45391845703125f);
    EXPECT_EQ(scales[561], 693.5780639648438f);    // the 562nd frame reaches counter 912
    EXPECT_EQ(scales[1473], 147.34417724609375f);  // the 1474th: counter 0, smallest
    EXPECT_EQ(scales[2385], 693.5983276367188f);   // the next maximum is not the same
    EXPECT_EQ(*std::max_element(scales.begin(), scales.begin() + 1474), scales[561]);
    EXPECT_EQ(*std::min_element(scales.begin(), scales.end()), scales[1473]);
}

TEST_F(FramePipelineTest, ScreenPointsRoundToEvenAndSaturate) {
    auto point = [](float x, float y) { return ToScreenPoint(Vec3{x, y, 0.0f}); };
    EXPECT_EQ(point(2.5f, 3.5f).x, 2);
    EXPECT_EQ(point(2.5f, 3.5f).y, 4);
    EXPECT_EQ(point(-2.5f, -0.5f).x, -2);
    EXPECT_EQ(point(-2.5f, -0.5f).y, 0);
    EXPECT_EQ(point(40000.0f, -40000.0f).x, 32767);
    EXPECT_EQ(point(40000.0f, -40000.0f).y, -32768);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(point(nan, 3e9f).x, -32768);
    EXPECT_EQ(point(nan, 3e9f).y, -32768);
}

TEST_F(FramePipelineTest, OriginMapsToTheScreenCentre) {
    SetSceneSize(1920, 1080);
    EXPECT_EQ(Scene.width, 1910);
    EXPECT_EQ(Scene.height, 1070);
    EXPECT_EQ(Scene.halfWidth, 955);
    EXPECT_EQ(Scene.halfHeight, 535);
    Scene.vertexCount = 1;
    Scene.zoomScale = 300.0f;
    ScreenVertices[0] = {0.0f, 0.0f, 0.0f};
    MapToScreen();
    EXPECT_EQ(ScreenVertices[0].x, 955.0f);
    EXPECT_EQ(ScreenVertices[0].y, 535.0f);
    EXPECT_EQ(ScreenVertices[0].z, 0.0f);
    SetSceneSize(1365, 768);
    EXPECT_EQ(Scene.width, 1354);
}

}  // namespace
