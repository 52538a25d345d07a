#include "assets/band_image_check.h"

#include "assets/texture.h"

namespace {

// The header fields BuildTexture relies on, at their offsets in the file.
constexpr size_t PixelOffsetAt = 10;
constexpr size_t InfoHeaderSizeAt = 14;
constexpr size_t WidthAt = 18;
constexpr size_t HeightAt = 22;
constexpr size_t PlanesAt = 26;
constexpr size_t BitsPerPixelAt = 28;
constexpr size_t CompressionAt = 30;
constexpr size_t ColoursUsedAt = 46;
constexpr size_t HeaderBytes = 54;  // file header and info header

// The form they must give.
constexpr uint32_t InfoHeaderSize = 40;  // BITMAPINFOHEADER: the palette follows at byte 54
constexpr int32_t Width = 128;
constexpr int32_t Height = 34;  // positive: the bottom row first
constexpr uint32_t BitsPerPixel = 8;
constexpr uint32_t NoCompression = 0;  // BI_RGB
constexpr uint32_t PaletteEntries = 256;
constexpr uint32_t PixelOffset = 1078;  // 54 + 256 palette entries of 4 bytes

static_assert(PixelOffset + Width * Height == BandImageReadBytes, "the form is the one BuildTexture reads");

uint32_t Read16(const uint8_t* at) { return static_cast<uint32_t>(at[0] | at[1] << 8); }
uint32_t Read32(const uint8_t* at) { return Read16(at) | Read16(at + 2) << 16; }

const char* const Expected =
    "a picture must be a 128 x 34 BMP with 8 bits per pixel, a 256-colour palette, rows stored bottom first and "
    "no compression";

// "a 640 x 480 BMP with 24 bits per pixel", with whatever else is off.
std::string Describe(const uint8_t* p) {
    const int32_t width = static_cast<int32_t>(Read32(p + WidthAt));
    const int32_t height = static_cast<int32_t>(Read32(p + HeightAt));
    std::string what = "a " + std::to_string(width) + " x " + std::to_string(height < 0 ? -int64_t{height} : height) +
                       " BMP with " + std::to_string(Read16(p + BitsPerPixelAt)) + " bits per pixel";
    if (height < 0) what += ", rows stored top first";
    if (Read32(p + CompressionAt) != NoCompression) what += ", compressed";
    const uint32_t colours = Read32(p + ColoursUsedAt);
    if (colours != 0 && colours != PaletteEntries) what += ", a " + std::to_string(colours) + "-colour palette";
    if (Read16(p + PlanesAt) != 1) what += ", " + std::to_string(Read16(p + PlanesAt)) + " planes";
    if (Read32(p + PixelOffsetAt) != PixelOffset)
        what += ", its pixels at byte " + std::to_string(Read32(p + PixelOffsetAt));
    if (Read32(p + InfoHeaderSizeAt) != InfoHeaderSize)
        what += ", a " + std::to_string(Read32(p + InfoHeaderSizeAt)) + "-byte info header";
    return what;
}

}  // namespace

std::string CheckBandImage(const uint8_t* picture, size_t pictureBytes) {
    if (pictureBytes == 0) return "the file is empty";
    if (pictureBytes < HeaderBytes || picture[0] != 'B' || picture[1] != 'M')
        return std::string("not a BMP picture; ") + Expected;
    // 0 colours used means the whole palette of an 8-bit picture.
    const uint32_t colours = Read32(picture + ColoursUsedAt);
    const bool formFits = Read32(picture + InfoHeaderSizeAt) == InfoHeaderSize &&
                          static_cast<int32_t>(Read32(picture + WidthAt)) == Width &&
                          static_cast<int32_t>(Read32(picture + HeightAt)) == Height &&
                          Read16(picture + PlanesAt) == 1 && Read16(picture + BitsPerPixelAt) == BitsPerPixel &&
                          Read32(picture + CompressionAt) == NoCompression &&
                          (colours == 0 || colours == PaletteEntries) &&
                          Read32(picture + PixelOffsetAt) == PixelOffset;
    if (!formFits) return Describe(picture) + ", but " + Expected;
    if (pictureBytes < BandImageReadBytes)
        return "cut short: " + std::to_string(pictureBytes) + " bytes, but a 128 x 34 picture with its palette takes " +
               std::to_string(BandImageReadBytes);
    return "";
}
