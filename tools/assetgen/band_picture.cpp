#include "band_picture.h"
#include "little_endian.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vec2 {
    double x, y;
};

struct Stroke {
    Vec2 from, to;
};

// Supersampling per pixel side: coverage is counted on an 8 x 8 grid.
constexpr int Subsamples = 8;
// Ink and paper colours (red, green, blue); the ink's grey value is about 50.
constexpr int Ink[3] = {118, 16, 18};
constexpr int Paper[3] = {255, 255, 255};

// Glyph strokes in a unit box, y downwards.
std::vector<Stroke> Glyph(char letter) {
    switch (letter) {
    case 'V': return {{{0, 0}, {0.5, 1}}, {{0.5, 1}, {1, 0}}};
    case 'E': return {{{0, 0}, {0, 1}}, {{0, 0}, {1, 0}}, {{0, 0.5}, {0.8, 0.5}}, {{0, 1}, {1, 1}}};
    case 'L': return {{{0, 0}, {0, 1}}, {{0, 1}, {1, 1}}};
    case 'M': return {{{0, 1}, {0, 0}}, {{0, 0}, {0.5, 0.78}}, {{0.5, 0.78}, {1, 0}}, {{1, 0}, {1, 1}}};
    case 'O': {
        // A rounded loop: a 16-gon whose corners are rounded to 1/1024.
        std::vector<Stroke> loop;
        Vec2 prev{};
        for (int k = 0; k <= 16; ++k) {
            const double a = k * 3.14159265358979323846 / 8;
            const Vec2 p = {std::nearbyint((0.5 + 0.5 * std::cos(a)) * 1024) / 1024,
                            std::nearbyint((0.5 + 0.5 * std::sin(a)) * 1024) / 1024};
            if (k > 0) loop.push_back({prev, p});
            prev = p;
        }
        return loop;
    }
    case 'R':
        return {{{0, 1}, {0, 0}},         {{0, 0}, {0.62, 0}},       {{0.62, 0}, {0.92, 0.12}},
                {{0.92, 0.12}, {0.95, 0.3}}, {{0.95, 0.3}, {0.85, 0.46}}, {{0.85, 0.46}, {0.6, 0.54}},
                {{0.6, 0.54}, {0, 0.54}},  {{0.45, 0.54}, {1, 1}}};
    case 'A': return {{{0, 1}, {0.5, 0}}, {{0.5, 0}, {1, 1}}, {{0.2, 0.66}, {0.8, 0.66}}};
    }
    return {};
}

// A repeatable pseudo-random value in [0, 1) from an integer.
double Hash01(uint32_t n) {
    n = (n ^ 61) ^ (n >> 16);
    n *= 9;
    n ^= n >> 4;
    n *= 0x27d4eb2d;
    n ^= n >> 15;
    return (n & 0xFFFF) / 65536.0;
}

// Smooth value noise along one coordinate, for the brush's uneven width.
double Wobble(double t, uint32_t seed) {
    const double f = std::floor(t);
    const double frac = t - f;
    const uint32_t i = static_cast<uint32_t>(static_cast<int32_t>(f)) * 7919u + seed * 104729u;
    const double a = Hash01(i), b = Hash01(i + 7919u);
    const double s = frac * frac * (3 - 2 * frac);
    return a + (b - a) * s;
}

double SegmentDistance(Vec2 p, Vec2 a, Vec2 b, double& along) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    along = t;
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

// Word layout in picture pixels: letter widths (the M wide enough for its
// inner strokes), the gap between letters, and the brush width.
constexpr const char* Word = "VELMORA";
constexpr double LetterWidths[] = {10.8, 9.0, 8.4, 14.4, 11.0, 10.2, 10.8};
constexpr double LetterGap = 1.9;
constexpr double WordWidth = 10.8 + 9.0 + 8.4 + 14.4 + 11.0 + 10.2 + 10.8 + 6 * LetterGap;
// Centred on the picture column that lands on the screen's middle.
constexpr double WordLeft = 64.0 - WordWidth / 2;
constexpr double LetterTop = 7.0;
constexpr double LetterHeight = 20.0;
constexpr double LetterBrush = 4.2;
// The banner's brush bands above and below the word, and its end dabs.
constexpr double BandBrush = 4.8;
constexpr double BandTopRow = 2.0;
constexpr double BandBottomRow = 31.8;

struct PlacedStroke {
    Vec2 from, to;
    double width;
    uint32_t seed;
};

std::vector<PlacedStroke> PlaceStrokes() {
    std::vector<PlacedStroke> strokes;
    const double inset = LetterBrush / 2;
    uint32_t seed = 1;
    double letterLeft = WordLeft;
    for (int i = 0; Word[i]; ++i) {
        const double left = letterLeft + inset;
        const double w = LetterWidths[i] - 2 * inset, h = LetterHeight - 2 * inset;
        letterLeft += LetterWidths[i] + LetterGap;
        for (const Stroke& s : Glyph(Word[i]))
            strokes.push_back({{left + s.from.x * w, LetterTop + inset + s.from.y * h},
                               {left + s.to.x * w, LetterTop + inset + s.to.y * h},
                               LetterBrush, seed++});
    }
    strokes.push_back({{-2, BandTopRow}, {130, BandTopRow + 0.8}, BandBrush, seed++});
    strokes.push_back({{-2, BandBottomRow}, {130, BandBottomRow - 0.6}, BandBrush, seed++});
    // Closing dabs at both ends, outside the part of the picture the screen shows.
    for (double x : {3.5, 123.0}) strokes.push_back({{x, 3}, {x + 1.5, 31}, 7.0, seed++});
    return strokes;
}

// Ink coverage 0..1 of every pixel, top row first.
std::vector<double> PaintCoverage() {
    const std::vector<PlacedStroke> strokes = PlaceStrokes();
    std::vector<double> coverage(BandWidth * BandHeight);
    for (int row = 0; row < BandHeight; ++row)
        for (int col = 0; col < BandWidth; ++col) {
            int inked = 0;
            for (int sy = 0; sy < Subsamples; ++sy)
                for (int sx = 0; sx < Subsamples; ++sx) {
                    const Vec2 p = {col + (sx + 0.5) / Subsamples, row + (sy + 0.5) / Subsamples};
                    for (const PlacedStroke& s : strokes) {
                        double along;
                        const double d = SegmentDistance(p, s.from, s.to, along);
                        const double dx = s.to.x - s.from.x, dy = s.to.y - s.from.y;
                        const double length = std::sqrt(dx * dx + dy * dy);
                        const double half = s.width / 2 * (0.85 + 0.3 * Wobble(along * length / 4, s.seed));
                        if (d < half) {
                            ++inked;
                            break;
                        }
                    }
                }
            coverage[row * BandWidth + col] = double(inked) / (Subsamples * Subsamples);
        }
    return coverage;
}

}  // namespace

std::vector<uint8_t> EncodeBandPicture() {
    constexpr uint32_t PixelOffset = 14 + 40 + 256 * 4;
    constexpr uint32_t ImageBytes = BandWidth * BandHeight;
    constexpr uint32_t PixelsPerMetre = 3780;  // 96 dots per inch
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, PixelOffset + ImageBytes);
    Put32(out, 0);  // two reserved words
    Put32(out, PixelOffset);
    Put32(out, 40);
    Put32(out, BandWidth);
    Put32(out, BandHeight);  // positive: bottom row first
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);  // no compression
    Put32(out, ImageBytes);
    Put32(out, PixelsPerMetre);
    Put32(out, PixelsPerMetre);
    Put32(out, 256);
    Put32(out, 0);
    // Palette entry i is paper blended towards ink by i / 255.
    for (int i = 0; i < 256; ++i) {
        for (int channel = 2; channel >= 0; --channel)
            out.push_back(static_cast<uint8_t>((Paper[channel] * (255 - i) + Ink[channel] * i + 127) / 255));
        out.push_back(0);
    }
    const std::vector<double> coverage = PaintCoverage();
    for (int row = BandHeight - 1; row >= 0; --row)
        for (int col = 0; col < BandWidth; ++col)
            out.push_back(static_cast<uint8_t>(std::nearbyint(coverage[row * BandWidth + col] * 255)));
    return out;
}
