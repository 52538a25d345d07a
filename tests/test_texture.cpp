// Texture pasting from the 8-bit BMP and the in-place smoothed height map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "assets/embedded_data.h"
#include "assets/texture.h"
#include "core/scene_arrays.h"

namespace {

constexpr int PictureWidth = 128;
constexpr int PictureHeight = 34;
constexpr int PaletteOffset = 54;
constexpr int PixelOffset = 1078;
constexpr uint32_t White = 0xFFFFFFFF;

// A 128 x 34 8-bit BMP whose palette entry i has distinct colour bytes and a
// non-zero reserved byte (which the texture must drop).
struct TestBmp {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(BandImageBytes, 0);
    TestBmp() {
        bytes[0] = 'B';
        bytes[1] = 'M';
        for (int i = 0; i < 256; i++) {
            uint8_t* entry = &bytes[PaletteOffset + 4 * i];
            entry[0] = static_cast<uint8_t>(i);
            entry[1] = static_cast<uint8_t>(255 - i);
            entry[2] = static_cast<uint8_t>(i * 7);
            entry[3] = 0xA5;
        }
    }
    // Pixel in picture row `row` counted from the top, column from the left.
    void Set(int row, int column, uint8_t index) {
        bytes[PixelOffset + (PictureHeight - 1 - row) * PictureWidth + column] = index;
    }
    static uint32_t Colour(int index) {
        return static_cast<uint32_t>(index) | static_cast<uint32_t>(255 - index) << 8 |
               static_cast<uint32_t>(index * 7 & 0xFF) << 16;
    }
};

std::vector<uint32_t> Build(const TestBmp& bmp) {
    std::vector<uint32_t> texture(TexelCount, 0x12345678);
    EXPECT_TRUE(BuildTexture(bmp.bytes.data(), bmp.bytes.size(), texture.data()));
    return texture;
}

std::vector<uint8_t> HeightsOf(const std::vector<uint32_t>& texture) {
    std::vector<uint8_t> heights(TexelCount, 0x77);
    BuildHeightMap(texture.data(), heights.data());
    return heights;
}

}  // namespace

TEST(BuildTexture, PastesThePictureUprightAndMirrored) {
    TestBmp bmp;
    for (int r = 0; r < PictureHeight; r++)
        for (int c = 0; c < PictureWidth; c++) bmp.Set(r, c, static_cast<uint8_t>(r * 7 + c * 3));
    std::vector<uint32_t> texture = Build(bmp);
    for (int i = 0; i < TexelCount; i++) {
        int row = i / 128, column = i % 128;
        if (row < 50 || row > 83) {
            ASSERT_EQ(texture[i], White) << i;
        } else {
            int r = row - 50, c = 127 - column;
            ASSERT_EQ(texture[i], TestBmp::Colour((r * 7 + c * 3) & 0xFF)) << i;
        }
    }
    EXPECT_EQ(texture[0], White);
    EXPECT_EQ(texture[6399], White);
    EXPECT_EQ(texture[10752], White);
    EXPECT_EQ(texture[6400], TestBmp::Colour((0 * 7 + 127 * 3) & 0xFF));  // picture's top-right
}

TEST(BuildTexture, TopRowAndBottomLeftPixel) {
    TestBmp top;
    for (int c = 0; c < PictureWidth; c++) top.Set(0, c, 1);
    std::vector<uint32_t> texture = Build(top);
    for (int i = 50 * 128; i < 51 * 128; i++) EXPECT_EQ(texture[i], TestBmp::Colour(1)) << i;
    for (int i = 51 * 128; i < 84 * 128; i++) ASSERT_EQ(texture[i], TestBmp::Colour(0)) << i;

    TestBmp corner;
    corner.Set(PictureHeight - 1, 0, 1);
    texture = Build(corner);
    EXPECT_EQ(texture[10751], TestBmp::Colour(1));
    EXPECT_EQ(std::count(texture.begin(), texture.end(), TestBmp::Colour(1)), 1);
}

TEST(BuildTexture, RefusesAPictureShorterThanItReads) {
    // The vector holds exactly the bytes given, so a read past them shows in
    // the sanitizer builds; the texture is left blank rather than half pasted.
    const TestBmp bmp;
    for (size_t bytes : {size_t{0}, size_t{54}, BandImageReadBytes - 1}) {
        const std::vector<uint8_t> picture(bmp.bytes.begin(), bmp.bytes.begin() + bytes);
        std::vector<uint32_t> texture(TexelCount, 0x12345678);
        EXPECT_FALSE(BuildTexture(picture.data(), picture.size(), texture.data())) << bytes;
        EXPECT_EQ(std::count(texture.begin(), texture.end(), White), TexelCount) << bytes;
    }
}

TEST(BuildHeightMap, GreyIsTheMeanOfTheColourBytesRoundedDown) {
    // Uniform textures stay uniform through the smoothing, so the grey value
    // shows; the top byte takes no part.
    const struct {
        uint32_t texel;
        uint8_t grey;
    } cases[] = {{0x00563412, 52}, {0xFFFFFFFF, 255}, {0x00FFFFFF, 255},
                 {0xFF000000, 0},  {0x00000202, 1},   {0x00010101, 1}};
    for (const auto& c : cases) {
        std::vector<uint8_t> heights = HeightsOf(std::vector<uint32_t>(TexelCount, c.texel));
        EXPECT_EQ(std::count(heights.begin(), heights.end(), c.grey), TexelCount) << std::hex << c.texel;
    }
}

TEST(BuildHeightMap, OneBlackTexelSpreadsThroughTheRing) {
    // Grey values of a white texture with a black texel 8000 (row 62,
    // column 64), then one pass: in place, so lowered values spread forward.
    std::vector<uint8_t> once(TexelCount, 255);
    once[8000] = 0;
    SmoothHeightMapPass(once.data());
    EXPECT_EQ(std::count(once.begin(), once.begin() + 7872, 255), 7872);
    EXPECT_EQ(once[7872], 191);
    EXPECT_EQ(once[7999], 191);
    EXPECT_EQ(once[8000], 223);
    EXPECT_EQ(once[8001], 243);
    EXPECT_EQ(once[8128], 242);
    EXPECT_EQ(std::count(once.begin() + 7872, once.end(), 255), 0);

    // The whole routine: grey conversion and two passes.
    std::vector<uint32_t> texture(TexelCount, White);
    texture[8000] = 0;
    std::vector<uint8_t> heights = HeightsOf(texture);
    EXPECT_EQ(std::count(heights.begin(), heights.end(), 255), 0);
    EXPECT_EQ(heights[8000], 236);
    auto smallest = std::min_element(heights.begin(), heights.end());
    EXPECT_EQ(*smallest, 222);
    EXPECT_EQ(smallest - heights.begin(), 7871);
}

TEST(BuildHeightMap, TexelFiveDarkensEverythingTexelZeroNothing) {
    std::vector<uint32_t> texture(TexelCount, White);
    texture[5] = 0x00FEFEFE;
    std::vector<uint8_t> heights = HeightsOf(texture);
    EXPECT_EQ(std::count(heights.begin(), heights.end(), 255), 0);
    EXPECT_LE(*std::max_element(heights.begin(), heights.end()), 254);

    texture[5] = White;
    texture[0] = 0x00FEFEFE;
    heights = HeightsOf(texture);
    EXPECT_EQ(std::count(heights.begin(), heights.end(), 255), TexelCount);
}

TEST(BuildHeightMap, EmbeddedPicture) {
    std::vector<uint32_t> texture(TexelCount);
    BuildTexture(BandImage, BandImageBytes, texture.data());
    EXPECT_EQ(texture[0], White);
    EXPECT_EQ(texture[6400] >> 24, 0u);
    std::vector<uint8_t> heights = HeightsOf(texture);
    // A dark band below white: no entry stays at 255 after two passes.
    EXPECT_EQ(std::count(heights.begin(), heights.end(), 255), 0);
}
