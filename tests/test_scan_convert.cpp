// Triangle scan conversion: the span ends handed on per row, and the band test.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/reciprocal.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "render/nearest_marks.h"
#include "render/row_walk.h"
#include "render/shade_edges.h"
#include "tests/support/bit_equality.h"
#include "tests/support/nearest_marks_one_face.h"
#include "tests/support/scoped_mode.h"

namespace {

struct RecordedSpan {
    int32_t row;
    SpanEnd first, second;
};

ShadeVertex Vertex(int16_t x, int16_t y, float depth = 0.0f, uint16_t u = 0, uint16_t v = 0) {
    ShadeVertex vertex{};
    vertex.x = x;
    vertex.y = y;
    vertex.u = u;
    vertex.v = v;
    vertex.depth = depth;
    vertex.normal = Vec4{{0, 0, 0, 0}};
    return vertex;
}

// Bit-for-bit equality of the values (SpanEnd has padding after x).
bool SameEnd(const SpanEnd& a, const SpanEnd& b) {
    return a.x == b.x && SameBits(a.normal, b.normal) && SameBits(a.attrib, b.attrib);
}

std::vector<RecordedSpan> Walk(const ShadeVertex& a, const ShadeVertex& b, const ShadeVertex& c) {
    std::vector<RecordedSpan> spans;
    WalkTriangle<ShadeEdges<EstimatedReciprocals>>(a, b, c, [&](int32_t row, const SpanEnd& first, const SpanEnd& second) {
        spans.push_back({row, first, second});
    });
    return spans;
}

TEST(ScanConvert, WorkedExampleEndsPerRow) {
    ShadeVertex a = Vertex(10, 0, 1.0f, 0, 0), b = Vertex(2, 4, 2.0f, 40, 8), c = Vertex(14, 8, 3.0f, 80, 16);
    b.normal = Vec4{{0.25f, -0.5f, 0.75f, 0}};
    const auto spans = Walk(a, b, c);
    const int32_t expected[8][2] = {{10, 10}, {10, 8}, {11, 6}, {11, 4}, {12, 2}, {12, 5}, {13, 8}, {13, 11}};
    ASSERT_EQ(spans.size(), 8u);  // row 8 is not walked
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(spans[row].row, row);
        EXPECT_EQ(spans[row].first.x, expected[row][0]) << row;
        EXPECT_EQ(spans[row].second.x, expected[row][1]) << row;
        EXPECT_NEAR(spans[row].first.attrib.v[2], 1.0f + 0.25f * row, EstimateTolerance) << row;
        const float shortDepth = row < 4 ? 1.0f + 0.25f * row : 2.0f + 0.25f * (row - 4);
        EXPECT_NEAR(spans[row].second.attrib.v[2], shortDepth, EstimateTolerance) << row;
    }
    // The short edge restarts exactly at B: its values there are B's own.
    EXPECT_EQ(spans[4].second.attrib.v[0], 40.0f);
    EXPECT_EQ(spans[4].second.attrib.v[1], 8.0f);
    EXPECT_EQ(spans[4].second.attrib.v[2], 2.0f);
    for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(spans[4].second.normal.v[lane], b.normal.v[lane]);
}

TEST(ScanConvert, ValuesAccumulateByRepeatedAddition) {
    const ShadeVertex a = Vertex(0, 0, 0.1f), b = Vertex(50, 3, 0.7f), c = Vertex(7, 37, 12.3f);
    const auto spans = Walk(a, b, c);
    // The long edge's depth at row k is depth A plus k additions of one step.
    const float step = (c.depth - a.depth) * _mm_cvtss_f32(_mm_rcp_ss(_mm_set_ss(37.0f)));
    float expected = a.depth;
    for (const RecordedSpan& span : spans) {
        EXPECT_EQ(span.first.attrib.v[2], expected) << span.row;
        expected += step;
    }
}

TEST(ScanConvert, RowRangeHandsOnTheSameEndsAsTheWholeWalk) {
    ShadeVertex a = Vertex(3, -7, 0.3f, 5, 9), b = Vertex(60, 11, 4.5f, 100, 2), c = Vertex(-20, 40, 9.1f, 64, 128);
    b.normal = Vec4{{0.5f, 0.25f, -0.75f, 0}};
    const auto whole = Walk(a, b, c);
    std::vector<RecordedSpan> part;
    WalkTriangle<ShadeEdges<EstimatedReciprocals>>(a, b, c, 5, 20, [&](int32_t row, const SpanEnd& first, const SpanEnd& second) {
        part.push_back({row, first, second});
    });
    ASSERT_EQ(part.size(), 15u);
    for (const RecordedSpan& span : part) {
        const RecordedSpan& same = whole[span.row - a.y];
        ASSERT_EQ(same.row, span.row);
        EXPECT_TRUE(SameEnd(same.first, span.first)) << span.row;
        EXPECT_TRUE(SameEnd(same.second, span.second)) << span.row;
    }
}

TEST(ScanConvert, LeftLeaningEdgeFloors) {
    const auto spans = Walk(Vertex(0, 0), Vertex(-1, 3), Vertex(5, 3));
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].first.x, 0);
    EXPECT_EQ(spans[0].second.x, 0);
    EXPECT_EQ(spans[1].first.x, 1);   // long step 1706
    EXPECT_EQ(spans[1].second.x, -1); // short step -341: a third of a pixel left of 0
    EXPECT_EQ(spans[2].first.x, 3);
    EXPECT_EQ(spans[2].second.x, -1);
}

TEST(ScanConvert, FlatTopDrawsItsTopRowAndFlatFacesDrawNothing) {
    const auto spans = Walk(Vertex(4, 0), Vertex(9, 0), Vertex(6, 3));
    ASSERT_EQ(spans.size(), 3u);
    const int32_t expected[3][2] = {{4, 9}, {4, 8}, {5, 7}};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(spans[row].first.x, expected[row][0]);
        EXPECT_EQ(spans[row].second.x, expected[row][1]);
    }
    EXPECT_TRUE(Walk(Vertex(0, 5), Vertex(9, 5), Vertex(3, 5)).empty());
}

TEST(ScanConvert, SharedHorizontalEdgeBelongsToTheFaceBelow) {
    const auto above = Walk(Vertex(0, 0), Vertex(0, 6), Vertex(10, 6));
    const auto below = Walk(Vertex(0, 6), Vertex(10, 6), Vertex(5, 12));
    EXPECT_EQ(above.back().row, 5);
    EXPECT_EQ(below.front().row, 6);
}

TEST(ScanConvert, EqualRowsKeepFaceOrderButNotThePixels) {
    const auto ab = Walk(Vertex(4, 0), Vertex(9, 0), Vertex(6, 3));
    const auto ba = Walk(Vertex(9, 0), Vertex(4, 0), Vertex(6, 3));
    ASSERT_EQ(ab.size(), ba.size());
    EXPECT_EQ(ab[0].first.x, 4);
    EXPECT_EQ(ba[0].first.x, 9);  // the other vertex now starts the long edge
    for (size_t i = 0; i < ab.size(); ++i) {
        EXPECT_EQ(std::min(ab[i].first.x, ab[i].second.x), std::min(ba[i].first.x, ba[i].second.x));
        EXPECT_EQ(std::max(ab[i].first.x, ab[i].second.x), std::max(ba[i].first.x, ba[i].second.x));
    }
}

TEST(ScanConvert, BandTestIsPerCoordinateOpenBelowClosedAbove) {
    const BandRect band{0, 300, 0, 800};
    // Much of the band lies inside this face, but none of its coordinates does.
    EXPECT_FALSE(FaceTouchesBand(Vertex(-10, -5), Vertex(900, -5), Vertex(-10, 400), band));
    // All rows above the band, one column inside: kept.
    EXPECT_TRUE(FaceTouchesBand(Vertex(-10, -50), Vertex(400, -40), Vertex(-20, -30), band));
    // Row 0 (top) is outside, row 300 (bottom) inside; column 0 outside, column 800 inside.
    EXPECT_FALSE(FaceTouchesBand(Vertex(-1, 0), Vertex(-2, 0), Vertex(-3, 0), band));
    EXPECT_TRUE(FaceTouchesBand(Vertex(-1, 300), Vertex(-2, 400), Vertex(-3, 500), band));
    EXPECT_FALSE(FaceTouchesBand(Vertex(0, -1), Vertex(0, -2), Vertex(0, -3), band));
    EXPECT_TRUE(FaceTouchesBand(Vertex(800, -1), Vertex(900, -2), Vertex(1000, -3), band));
    // The bottom band of a 1070-row screen: rows (535, 1070].
    const BandRect bottom{535, 1070, 0, 1910};
    EXPECT_FALSE(FaceTouchesBand(Vertex(-5, 530), Vertex(-6, 535), Vertex(-7, 2000), bottom));
    EXPECT_TRUE(FaceTouchesBand(Vertex(-5, 530), Vertex(-6, 536), Vertex(-7, 2000), bottom));
}

TEST(ScanConvert, BandLimitsBeyondSixteenBitsSaturate) {
    const BandRect huge{-100000, 100000, -100000, 100000};
    EXPECT_TRUE(FaceTouchesBand(Vertex(-32768, -32768), Vertex(32767, 5), Vertex(0, 32767), huge));
}

// Opaque faces marked four rows at a time against one face and one span at a
// time (MarkNearestTriangleOneFace), bit for bit in ShadeDepth and ColorBuffer, with the
// same marked rows per face: random faces with ragged ends, left and right
// clips and rows cut by either band's edge, depths that tie with each other
// and with ShadeDepth, in both arithmetic modes.
TEST(MarkRows, MatchOneFaceAtATimeOnRandomFaces) {
    const ScopedMode arithmetic(PortableArithmetic);
    std::mt19937 random(15);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (bool exact : {false, true}) {
        PortableArithmetic = exact;
        for (int trial = 0; trial < 300; ++trial) {
            const int width = uniform(4, 70), height = 2 * uniform(1, 20);
            const int band = trial % 2;
            const BandRect rect{band * height / 2, band * height / 2 + height / 2, 0, width};
            std::vector<float> shade(static_cast<size_t>(width) * height);
            for (float& d : shade) d = uniform(0, 2) == 0 ? static_cast<float>(uniform(0, 8)) : DepthClearValue;
            std::vector<uint32_t> colour(shade.size(), 0);
            FaceContext oneFace{rect, static_cast<uint32_t>(width), nullptr, 1, nullptr, colour.data(), shade.data(), nullptr};
            std::vector<float> rowsShade = shade;
            std::vector<uint32_t> rowsColour = colour;
            FaceContext fourRows = oneFace;
            fourRows.colorBuffer = rowsColour.data();
            fourRows.shadeDepth = rowsShade.data();
            const int faces = uniform(1, 12);
            std::vector<RowRange> expected(faces), marked(faces);
            MarkRows rows = StartMarkRows(fourRows, marked.data());
            for (int f = 0; f < faces; ++f) {
                ShadeVertex v[3];
                const int16_t x0 = static_cast<int16_t>(uniform(-20, width + 20));
                const int16_t y0 = static_cast<int16_t>(uniform(-10, height + 10));
                for (ShadeVertex& corner : v) {
                    // Whole depths often tie; the eighths make depths that grow along spans.
                    corner = Vertex(static_cast<int16_t>(x0 + uniform(-50, 50)), static_cast<int16_t>(y0 + uniform(-30, 30)),
                                    static_cast<float>(uniform(0, 64)) / (uniform(0, 1) ? 8.0f : 1.0f));
                }
                const uint32_t face = static_cast<uint32_t>(f);
                expected[f] = MarkNearestTriangleOneFace(v[0], v[1], v[2], oneFace, NearestTag(face));
                MarkNearestTriangle(rows, v[0], v[1], v[2], face);
            }
            FlushMarkRows(rows);
            ASSERT_TRUE(SameWords(shade, rowsShade)) << "trial " << trial;
            ASSERT_TRUE(SameWords(colour, rowsColour)) << "trial " << trial;
            for (int f = 0; f < faces; ++f) {
                ASSERT_EQ(expected[f].Empty(), marked[f].Empty()) << "trial " << trial << " face " << f;
                if (!expected[f].Empty()) {
                    EXPECT_EQ(expected[f].first, marked[f].first) << "trial " << trial << " face " << f;
                    EXPECT_EQ(expected[f].end, marked[f].end) << "trial " << trial << " face " << f;
                }
            }
        }
    }
}

}  // namespace
