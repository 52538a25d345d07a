#include "tools/velmora_render/buffer_views.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/scene_state.h"
#include "render/band_plan.h"
#include "render/buffer_clears.h"
#include "tools/velmora_render/image_file.h"

namespace {

struct Rgb {
    float r, g, b;
};

uint32_t Word(Rgb c) {
    auto byte = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
    return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

Rgb FromWord(uint32_t w) {
    return {static_cast<float>(w >> 16 & 0xFF), static_cast<float>(w >> 8 & 0xFF), static_cast<float>(w & 0xFF)};
}

Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

constexpr Rgb White{255, 255, 255};
constexpr uint32_t Black = 0;

// Viridis in 17 steps: perceptually even, and never black, so the clear
// value (black) stands apart from every depth.
constexpr Rgb Ramp[] = {{68, 1, 84},    {72, 24, 106},  {71, 45, 123},  {66, 64, 134},  {59, 82, 139},
                        {51, 99, 141},  {44, 114, 142}, {38, 130, 142}, {33, 145, 140}, {31, 160, 136},
                        {40, 174, 128}, {63, 188, 115}, {94, 201, 98},  {132, 212, 75}, {173, 220, 48},
                        {216, 226, 25}, {253, 231, 37}};

Rgb RampAt(float t) {
    constexpr int Steps = sizeof Ramp / sizeof Ramp[0] - 1;
    const float x = std::clamp(t, 0.0f, 1.0f) * Steps;
    const int i = std::min(static_cast<int>(x), Steps - 1);
    return Mix(Ramp[i], Ramp[i + 1], x - static_cast<float>(i));
}

bool IsDepth(float z) { return std::isfinite(z) && z != DepthClearValue; }

// Nearest and farthest depth over both depth buffers, so that the two depth
// views share one scale and can be compared colour for colour.
void DepthRange(const BufferRecord& record, float& nearest, float& farthest) {
    nearest = INFINITY;
    farthest = -INFINITY;
    for (const std::vector<float>* buffer : {&record.prepassDepth, &record.shadeDepth})
        for (float z : *buffer)
            if (IsDepth(z)) {
                nearest = std::min(nearest, z);
                farthest = std::max(farthest, z);
            }
}

// Nearest bright (yellow), farthest dark (violet), the clear value black.
void DrawDepth(const std::vector<float>& depths, const BufferRecord& record, std::vector<uint32_t>& picture) {
    float nearest, farthest;
    DepthRange(record, nearest, farthest);
    const float span = farthest > nearest ? farthest - nearest : 1.0f;
    for (size_t p = 0; p < depths.size(); ++p)
        picture[p] = IsDepth(depths[p]) ? Word(RampAt((farthest - depths[p]) / span)) : Black;
}

// Where the nearest translucent face differs from the pixel to the right or
// below: that face's outline.
bool OnTranslucentOutline(const BufferRecord& record, size_t p, int x, int y) {
    const int32_t face = record.nearestTranslucentFace[p];
    const bool rightDiffers = x + 1 < record.width && record.nearestTranslucentFace[p + 1] != face;
    const bool belowDiffers =
        y + 1 < record.height && record.nearestTranslucentFace[p + static_cast<size_t>(record.width)] != face;
    return rightDiffers || belowDiffers;
}

// Opaque faces in their own colours; translucent faces lighten what lies
// under them and are outlined in white.
void DrawFaces(const BufferRecord& record, std::vector<uint32_t>& picture) {
    for (int y = 0; y < record.height; ++y)
        for (int x = 0; x < record.width; ++x) {
            const size_t p = static_cast<size_t>(y) * record.width + x;
            Rgb c = FromWord(record.opaqueFace[p] == NoFace ? Black : FaceColour(record.opaqueFace[p]));
            if (record.translucentLayers[p] > 0) c = Mix(c, White, 0.45f);
            if (OnTranslucentOutline(record, p, x, y)) c = White;
            picture[p] = Word(c);
        }
}

// Amber where the opaque surface was lit with the highlight (it is the front
// surface), blue where it was lit without; translucent layers that took the
// highlight whiten the pixel.
void DrawFrontSurface(const BufferRecord& record, std::vector<uint32_t>& picture) {
    constexpr Rgb WithHighlight{255, 190, 50}, WithoutHighlight{40, 80, 190};
    for (size_t p = 0; p < picture.size(); ++p) {
        Rgb c = FromWord(Black);
        if (record.opaqueFace[p] != NoFace)
            c = IsFrontSurface(record.shadeDepth[p], record.prepassDepth[p]) ? WithHighlight : WithoutHighlight;
        if (record.translucentFrontLayers[p] > 0) c = Mix(c, White, 0.6f);
        picture[p] = Word(c);
    }
}

// Translucent layers added per pixel: 1 blue, 2 green, 3 yellow, 4 orange,
// 5 red, 6 and more white; opaque pixels without any layer dark grey.
void DrawOverdraw(const BufferRecord& record, std::vector<uint32_t>& picture) {
    constexpr uint32_t Layers[] = {0x303030, 0x3168CE, 0x2BAA64, 0xEBC832, 0xF07828, 0xDC2828, 0xFFFFFF};
    constexpr int MostLayers = sizeof Layers / sizeof Layers[0] - 1;
    for (size_t p = 0; p < picture.size(); ++p) {
        const int layers = std::min<int>(record.translucentLayers[p], MostLayers);
        picture[p] = layers == 0 && record.opaqueFace[p] == NoFace ? Black : Layers[layers];
    }
}

// The frame's brightness tinted orange in the top band, sky blue in the
// bottom one, on the pixels some face was drawn into.
void DrawBands(const BufferRecord& record, std::vector<uint32_t>& picture) {
    constexpr Rgb Tints[BandCount] = {{255, 150, 40}, {60, 170, 255}};
    for (int y = 0; y < record.height; ++y) {
        const Rgb tint = Tints[BandOfRow(y, record.height)];
        for (int x = 0; x < record.width; ++x) {
            const size_t p = static_cast<size_t>(y) * record.width + x;
            if (record.opaqueFace[p] == NoFace && record.translucentLayers[p] == 0) {
                picture[p] = Black;
                continue;
            }
            const Rgb c = FromWord(record.color[p]);
            const float brightness = (0.299f * c.r + 0.587f * c.g + 0.114f * c.b) / 255.0f;
            const float scale = 0.3f + 0.7f * brightness;
            picture[p] = Word({tint.r * scale, tint.g * scale, tint.b * scale});
        }
    }
}

}  // namespace

const char* BufferViewName(BufferView view) {
    constexpr const char* Names[] = {"prepass_depth", "shade_depth", "faces", "front_surface", "overdraw", "bands"};
    return Names[static_cast<int>(view)];
}

uint32_t FaceColour(int32_t face) {
    // Hue by the golden ratio: consecutive faces, often neighbours, far apart.
    const uint32_t n = static_cast<uint32_t>(face);
    const float hue = static_cast<float>((n * 40503u) & 0xFFFFu) / 65536.0f * 6.0f;
    const float saturation = 0.45f + 0.45f * static_cast<float>((n * 7u) % 5u) / 4.0f;
    const float value = 255.0f * (0.7f + 0.3f * static_cast<float>((n * 3u) % 4u) / 3.0f);
    const int sector = static_cast<int>(hue);
    const float f = hue - static_cast<float>(sector);
    const float p = value * (1.0f - saturation), q = value * (1.0f - saturation * f),
                t = value * (1.0f - saturation * (1.0f - f));
    switch (sector) {
        case 0: return Word({value, t, p});
        case 1: return Word({q, value, p});
        case 2: return Word({p, value, t});
        case 3: return Word({p, q, value});
        case 4: return Word({t, p, value});
        default: return Word({value, p, q});
    }
}

void DrawBufferView(BufferView view, const BufferRecord& record, std::vector<uint32_t>& picture) {
    picture.assign(static_cast<size_t>(record.width) * record.height, Black);
    switch (view) {
        case BufferView::PrepassDepth: DrawDepth(record.prepassDepth, record, picture); break;
        case BufferView::ShadeDepth: DrawDepth(record.shadeDepth, record, picture); break;
        case BufferView::Faces: DrawFaces(record, picture); break;
        case BufferView::FrontSurface: DrawFrontSurface(record, picture); break;
        case BufferView::Overdraw: DrawOverdraw(record, picture); break;
        case BufferView::Bands: DrawBands(record, picture); break;
        case BufferView::Count: break;
    }
}

bool WriteBufferViews(const std::string& framePathStem, std::string& error) {
    // The views need some three times the frame's own buffers; a screen the
    // frame fits but the views do not is refused with a reason.
    BufferRecord record;
    std::vector<uint32_t> picture;
    try {
        RecordFrameBuffers(record);
        picture.reserve(record.color.size());
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the buffer views of a " + std::to_string(Scene.width) + "x" +
                std::to_string(Scene.height) + " picture";
        return false;
    }
    if (!record.shadeDepthMatches) {
        error = "the marking step re-run after the frame does not give the frame's ShadeDepth; no buffer views";
        return false;
    }
    for (int v = 0; v < static_cast<int>(BufferView::Count); ++v) {
        const BufferView view = static_cast<BufferView>(v);
        DrawBufferView(view, record, picture);
        const std::string path = framePathStem + "_" + BufferViewName(view) + ".png";
        if (!WritePng(path, picture.data(), record.width, record.height, error)) return false;
    }
    return true;
}
