// The span shader: clipping, depth and front-surface tests, lighting, texture,
// bump and store, against worked numbers and against a plain scalar version of
// the same arithmetic on many random spans.
#include <gtest/gtest.h>
#include <smmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "core/reciprocal.h"
#include "render/frame_pipeline.h"
#include "render/lighting.h"
#include "render/lighting_lanes.h"
#include "render/span_shader.h"
#include "tests/support/scoped_mode.h"
#include "tests/support/bit_equality.h"

namespace {

constexpr int Width = 64;
constexpr int Rows = 8;
constexpr int MapSize = 128;
constexpr uint32_t Opaque8 = 7;  // class colour index of FaceClass 8: (111, 111, 111)
constexpr uint32_t TranslucentIndex = ClassColorIndexOf(TranslucentFaceClass);

float Rcp(float x) { return ReciprocalOf(x); }  // estimated, or exact in portable mode
float Rsqrt(float x) { return _mm_cvtss_f32(ReciprocalSqrtOf(_mm_set_ss(x))); }
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

// ---- A plain scalar version of the per-pixel arithmetic, written from the rules.

struct ReferenceShader {
    const FaceContext& c;

    static float Dot3(const float* a, const float* b) { return (a[0] * b[0] + a[1] * b[1]) + a[2] * b[2]; }
    static float Dot4(const float* a, const float* b) { return (a[0] * b[0] + a[1] * b[1]) + (a[2] * b[2] + a[3] * b[3]); }

    float H(int column, int row) const { return c.heightMap[row * MapSize + column]; }
    static float SignedByteDifference(float a, float b) {
        return static_cast<float>(static_cast<int8_t>(static_cast<uint8_t>(static_cast<int>(a) - static_cast<int>(b))));
    }

    static void Weights(float uc, float vc, int& iu, int& iv, float w[4]) {
        iu = static_cast<int>(uc);
        iv = static_cast<int>(vc);
        const float fu = uc - static_cast<float>(iu), fv = vc - static_cast<float>(iv);
        w[0] = (1.0f - fu) * (1.0f - fv);
        w[1] = fu * (1.0f - fv);
        w[2] = (1.0f - fu) * fv;
        w[3] = fu * fv;
    }

    void Bump(const float* N, const float* A, float* n) const {
        const float uc = std::max(std::min(A[0], 124.0f), 2.0f), vc = std::max(std::min(A[1], 124.0f), 2.0f);
        int iu, iv;
        float w[4];
        Weights(uc, vc, iu, iv, w);
        const float across[4] = {SignedByteDifference(H(iu - 1, iv), H(iu + 1, iv)),
                                 SignedByteDifference(H(iu, iv), H(iu + 2, iv)),
                                 SignedByteDifference(H(iu - 1, iv + 1), H(iu + 1, iv + 1)),
                                 SignedByteDifference(H(iu, iv + 1), H(iu + 2, iv + 1))};
        const float down[4] = {SignedByteDifference(H(iu, iv - 1), H(iu, iv + 1)),
                               SignedByteDifference(H(iu + 1, iv - 1), H(iu + 1, iv + 1)),
                               SignedByteDifference(H(iu, iv), H(iu, iv + 2)),
                               SignedByteDifference(H(iu + 1, iv), H(iu + 1, iv + 2))};
        const float gx = (w[0] * across[0] + w[1] * across[1]) + (w[2] * across[2] + w[3] * across[3]);
        const float gy = (w[0] * down[0] + w[1] * down[1]) + (w[2] * down[2] + w[3] * down[3]);
        const float tilted[3] = {N[0] + 0.023f * gx, N[1] + 0.023f * gy, N[2]};
        const float r = Rsqrt(Dot3(tilted, tilted));
        for (int i = 0; i < 3; ++i) n[i] = tilted[i] * r;
    }

    void Sample(const float* A, float* sample) const {
        int iu, iv;
        float w[4];
        Weights(std::min(A[0], 124.0f), std::min(A[1], 124.0f), iu, iv, w);
        const uint32_t* t = c.texture + iv * MapSize + iu;
        for (int ch = 0; ch < 3; ++ch) {
            const float t00 = Channel(t[0], ch), t10 = Channel(t[1], ch);
            const float t01 = Channel(t[MapSize], ch), t11 = Channel(t[MapSize + 1], ch);
            sample[ch] = (w[0] * t00 + w[1] * t10) + (w[2] * t01 + w[3] * t11);
        }
    }

    void Pixel(int p, const float* N, const float* A) const {
        const float z = A[2];
        if (!(z < c.shadeDepth[p])) return;
        const float length = Rsqrt(Dot4(N, N));
        float n[3] = {N[0] * length, N[1] * length, N[2] * length};
        const float P = c.prepassDepth[p];
        const bool front = z + 1.1f >= P && z - 1.1f < P;
        const bool translucent = c.classColorIndex == ClassColorIndexOf(TranslucentFaceClass);
        if (front && translucent) Bump(N, A, n);
        float S[3] = {0, 0, 0}, R[3] = {0, 0, 0};
        for (int k = 0; k < LightCount; ++k) {
            const Light& light = LightTable[k];
            const float d = Dot3(light.direction.v, n);
            float d16 = d * d;
            d16 *= d16;
            d16 *= d16;
            d16 *= d16;
            for (int ch = 0; ch < 3; ++ch) {
                float t;
                const float diffuse = std::max(d, 0.0f) * light.diffuse.v[ch];
                if (front) {
                    t = d16 * light.specular.v[ch];
                    if (!translucent) t = (t + diffuse) + light.ambient.v[ch];
                } else {
                    R[ch] = (R[ch] + diffuse) + light.ambient.v[ch];
                    t = R[ch];
                }
                S[ch] = std::max(S[ch], t);
            }
        }
        float sample[3] = {1, 1, 1};
        if (translucent) Sample(A, sample);
        uint32_t pixel = 0;
        for (int ch = 0; ch < 3; ++ch) {
            float s = std::min(S[ch], 255.0f);
            if (translucent) s = s * sample[ch];
            const float colour = s * ClassColorTable[c.classColorIndex].v[ch];
            const int value = std::clamp(static_cast<int>(std::nearbyint(colour)) >> 8, 0, 255);
            pixel |= static_cast<uint32_t>(value) << (8 * ch);
        }
        if (translucent) {
            const uint32_t old = c.colorBuffer[p];
            uint32_t sum = old & 0xFF000000u;
            for (int ch = 0; ch < 3; ++ch)
                sum |= static_cast<uint32_t>(std::min(Channel(old, ch) + Channel(pixel, ch), 255)) << (8 * ch);
            c.colorBuffer[p] = sum;
        } else {
            c.colorBuffer[p] = pixel;
            c.shadeDepth[p] = z;
        }
    }

    void Span(int32_t row, const SpanEnd& e1, const SpanEnd& e2) const {
        const BandRect& band = c.band;
        if (row < band.top || row >= band.bottom || e1.x == e2.x) return;
        const SpanEnd& L = e1.x < e2.x ? e1 : e2;
        const SpanEnd& R = e1.x < e2.x ? e2 : e1;
        int32_t xl = L.x, xr = R.x;
        if (xl >= band.right || xr <= band.left) return;
        const float r = Rcp(static_cast<float>(xr - xl));
        float N[4], A[4], dN[4], dA[4];
        for (int i = 0; i < 4; ++i) {
            dN[i] = (R.normal.v[i] - L.normal.v[i]) * r;
            dA[i] = (R.attrib.v[i] - L.attrib.v[i]) * r;
            N[i] = L.normal.v[i];
            A[i] = L.attrib.v[i];
        }
        if (xl < band.left) {
            const float k = static_cast<float>(band.left - xl);
            for (int i = 0; i < 4; ++i) {
                N[i] = dN[i] * k + N[i];
                A[i] = dA[i] * k + A[i];
            }
            xl = band.left;
        }
        if (xr >= band.right) xr = band.right;
        for (int32_t x = xl; x < xr; ++x) {
            Pixel(row * static_cast<int>(c.width) + x, N, A);
            for (int i = 0; i < 4; ++i) {
                N[i] += dN[i];
                A[i] += dA[i];
            }
        }
    }
};

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
        ReferenceShader{referenceContext}.Span(row, a, b);
        ASSERT_TRUE(SameWords(fast.colour, reference.colour)) << "colour differs, trial " << trial;
        ASSERT_TRUE(SameWords(fast.shade, reference.shade)) << "depth differs, trial " << trial;
        comparedPixels += std::abs(a.x - b.x);
    }
    EXPECT_GT(comparedPixels, 10000);
}

// The batched shader against the one-pixel-at-a-time shader, in both
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
                ShadeSpanPerPixel(row, a, b, perPixel.Context(classIndex));
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
