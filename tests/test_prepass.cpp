// Depth pre-pass: which pixels a face reaches and the depths it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/scene_state.h"
#include "render/buffer_clears.h"
#include "render/prepass.h"
#include "tests/support/bit_equality.h"
#include "tests/support/prepass_one_row.h"
#include "tests/support/scoped_scene_state.h"

namespace {

class PrepassTest : public ::testing::Test {
protected:
    static constexpr int Width = 40;
    static constexpr int Height = 30;
    std::vector<float> depth = std::vector<float>(Width * Height, DepthClearValue);
    ScopedSceneState scene;

    void SetUp() override {
        Scene.width = Width;
        Scene.height = Height;
    }

    float At(int column, int row) const { return depth[row * Width + column]; }
    bool Written(int column, int row) const { return At(column, row) != DepthClearValue; }
    int WrittenCount() const {
        int n = 0;
        for (float d : depth) n += d != DepthClearValue;
        return n;
    }
    void Draw(PrepassVertex a, PrepassVertex b, PrepassVertex c) {
        PrepassRows rows = StartPrepassRows(depth.data(), Width, Height);
        PrepassTriangle(rows, a, b, c);
        FlushPrepassRows(rows);
    }
    void Span(int16_t row, PrepassEnd end1, PrepassEnd end2) {
        PrepassRows rows = StartPrepassRows(depth.data(), Width, Height);
        PrepassSpan(rows, row, end1, end2);
        FlushPrepassRows(rows);
    }
};

TEST_F(PrepassTest, RightTriangleCoversHalfOpenRowsAndColumns) {
    Draw({10, 10, 5}, {20, 10, 5}, {10, 20, 5});
    EXPECT_EQ(WrittenCount(), 55);
    for (int row = 10; row < 20; ++row)
        for (int column = 0; column < Width; ++column)
            EXPECT_EQ(Written(column, row), column >= 10 && column <= 29 - row) << column << "," << row;
    for (int column = 0; column < Width; ++column) EXPECT_FALSE(Written(column, 20));
}

TEST_F(PrepassTest, DepthIsInterpolatedAlongEachSpan) {
    Draw({0, 0, 0}, {4, 0, 4}, {0, 4, 0});
    for (int column = 0; column < 4; ++column) EXPECT_EQ(At(column, 0), static_cast<float>(column));
    EXPECT_FALSE(Written(4, 0));
    EXPECT_EQ(At(0, 3), 0.0f);
    EXPECT_FALSE(Written(1, 3));
    for (int column = 0; column < Width; ++column) EXPECT_FALSE(Written(column, 4));
}

TEST_F(PrepassTest, LeftClipAdvancesDepthByTheClippedColumns) {
    Draw({-6, 0, 0}, {10, 0, 16}, {-6, 3, 0});
    for (int column = 0; column < 10; ++column) EXPECT_EQ(At(column, 0), 6.0f + column) << column;
    EXPECT_FALSE(Written(10, 0));
    // The short edge steps by -5461 in 22.10 form: row 1 ends at column 4.
    for (int column = 0; column < Width; ++column) EXPECT_EQ(Written(column, 1), column < 4) << column;
    for (int column = 0; column < Width; ++column) EXPECT_FALSE(Written(column, 2));
}

TEST_F(PrepassTest, SpanWiderThanTheRowCoversEveryColumn) {
    Span(7, {-50, 1.0f}, {Width + 50, 1.0f});
    for (int column = 0; column < Width; ++column) EXPECT_EQ(At(column, 7), 1.0f);
    EXPECT_EQ(WrittenCount(), Width);
}

TEST_F(PrepassTest, RowsAndSpansOutsideTheBufferWriteNothing) {
    Span(-1, {0, 1.0f}, {10, 1.0f});
    Span(Height, {0, 1.0f}, {10, 1.0f});
    Span(3, {Width, 1.0f}, {Width + 9, 1.0f});
    Span(3, {-9, 1.0f}, {0, 1.0f});
    Span(3, {5, 1.0f}, {5, 1.0f});
    Draw({-10, 40, 1}, {20, 45, 1}, {5, 60, 1});  // wholly below
    Draw({50, 2, 1}, {70, 5, 1}, {60, 20, 1});    // wholly right
    Draw({2, -20, 1}, {30, -5, 1}, {10, -1, 1});  // wholly above
    EXPECT_EQ(WrittenCount(), 0);
}

TEST_F(PrepassTest, KeepsTheNearestDepthAndTheFirstOfEqualOnes) {
    Draw({0, 0, 5}, {10, 0, 5}, {0, 10, 5});
    Draw({0, 0, 7}, {10, 0, 7}, {0, 10, 7});  // farther: no change
    EXPECT_EQ(At(2, 2), 5.0f);
    Draw({0, 0, 3}, {10, 0, 3}, {0, 10, 3});  // nearer: replaces
    EXPECT_EQ(At(2, 2), 3.0f);
    // An equal depth keeps the stored value bit for bit (-0 does not replace +0).
    std::fill(depth.begin(), depth.end(), 0.0f);
    Span(0, {0, -0.0f}, {4, -0.0f});
    EXPECT_FALSE(std::signbit(At(0, 0)));
}

// Spans of one row drawn four rows at a time still meet each pixel in face
// order: -0 after +0 keeps +0, whichever lane reaches the column first.
TEST_F(PrepassTest, RowsKeepFaceOrderOnOneRow) {
    PrepassRows rows = StartPrepassRows(depth.data(), Width, Height);
    PrepassTriangle(rows, {0, 0, 0.0f}, {10, 0, 0.0f}, {0, 2, 0.0f});   // +0 on rows 0 and 1
    PrepassTriangle(rows, {6, 0, -0.0f}, {9, 0, 1.0f}, {6, 1, -0.0f});  // -0 at column 6 of row 0
    PrepassSpan(rows, 1, {6, -0.0f}, {9, 1.0f});
    PrepassSpan(rows, 1, {0, 0.0f}, {10, 0.0f});
    FlushPrepassRows(rows);
    EXPECT_FALSE(std::signbit(At(6, 0)));
    EXPECT_TRUE(std::signbit(At(6, 1)));
}

TEST_F(PrepassTest, VertexOrderDoesNotChangeThePixels) {
    std::vector<float> first;
    const PrepassVertex v[3] = {{3, 2, 1.5f}, {33, 9, 9.25f}, {12, 27, 4.0f}};
    Draw(v[0], v[1], v[2]);
    first = depth;
    const int orders[5][3] = {{0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& order : orders) {
        std::fill(depth.begin(), depth.end(), DepthClearValue);
        Draw(v[order[0]], v[order[1]], v[order[2]]);
        for (size_t i = 0; i < depth.size(); ++i)
            EXPECT_EQ(depth[i] != DepthClearValue, first[i] != DepthClearValue) << i;
    }
}

// Random faces drawn four rows at a time and one row at a time leave the same
// bits: ragged span ends, left clips, rows and columns cut by the buffer's
// edges, tall thin, wide flat and degenerate faces, depths that tie (+0 and
// -0 among them), NaN and infinite depths, and stored values that tie too.
TEST(PrepassRows, MatchOneRowAtATimeOnRandomFaces) {
    ScopedSceneState scene;
    std::mt19937 random(15);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const float inf = std::numeric_limits<float>::infinity();
    const float specialDepths[] = {0.0f, -0.0f, 1.0f, 2.5f, -3.0f, 1e-30f, inf, -inf, std::nanf("")};
    auto anyDepth = [&]() {
        const int pick = uniform(0, 12);
        if (pick < 9) return specialDepths[pick];
        return std::uniform_real_distribution<float>(-50.0f, 50.0f)(random);
    };
    for (int trial = 0; trial < 400; ++trial) {
        const int width = uniform(1, 70), height = uniform(1, 40);
        Scene.width = width;
        Scene.height = height;
        std::vector<float> oneRow(static_cast<size_t>(width) * height);
        for (float& d : oneRow) d = uniform(0, 3) == 0 ? anyDepth() : DepthClearValue;
        std::vector<float> fourRows = oneRow;
        PrepassRows rows = StartPrepassRows(fourRows.data(), width, height);
        const int faces = uniform(1, 14);
        for (int f = 0; f < faces; ++f) {
            PrepassVertex v[3];
            const int shape = uniform(0, 3);  // general, tall thin, wide flat, degenerate
            const int16_t x0 = static_cast<int16_t>(uniform(-30, width + 30));
            const int16_t y0 = static_cast<int16_t>(uniform(-10, height + 10));
            for (PrepassVertex& corner : v) {
                const int dx = shape == 1 ? uniform(-3, 3) : uniform(-60, 60);
                const int dy = shape == 2 ? uniform(-2, 2) : shape == 3 ? 0 : uniform(-40, 40);
                corner = PrepassVertex{static_cast<int16_t>(x0 + dx), static_cast<int16_t>(y0 + dy), anyDepth()};
            }
            PrepassTriangleOneRow(v[0], v[1], v[2], oneRow.data());
            PrepassTriangle(rows, v[0], v[1], v[2]);
        }
        FlushPrepassRows(rows);
        ASSERT_TRUE(SameWords(oneRow, fourRows)) << "trial " << trial;
    }
}

}  // namespace
