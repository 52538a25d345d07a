#include "tools/velmora_render/icon_export.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/frame_sequence.h"
#include "app/headless_scene.h"
#include "core/reciprocal.h"
#include "core/scene_state.h"
#include "render/buffer_clears.h"
#include "tools/velmora_render/image_file.h"

namespace {

// A wide screen, so that the whole set lies inside the picture (1920 x 1024).
constexpr int IconScreenWidth = 1930;
constexpr int IconScreenHeight = 1034;

struct Square {
    int left, top, side;
};

// The model's pixels are those the depth pre-pass reached.
bool Covered(int x, int y) {
    if (x < 0 || y < 0 || x >= Scene.width || y >= Scene.height) return false;
    return Scene.prepassDepth[static_cast<size_t>(y) * Scene.width + x] < DepthClearValue;
}

// The square around the model's bounding box, with a sixteenth of margin.
Square SquareAroundModel() {
    int left = Scene.width, right = -1, top = Scene.height, bottom = -1;
    for (int y = 0; y < Scene.height; ++y)
        for (int x = 0; x < Scene.width; ++x)
            if (Covered(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    const int width = right - left + 1, height = bottom - top + 1;
    const int side = std::max(width, height) * 17 / 16;
    return {left + (width - side) / 2, top + (height - side) / 2, side};
}

// Area average of the square down to size x size straight-alpha RGBA, in
// integers: alpha is the covered share of each block, the colour the mean of
// the covered pixels.
std::vector<uint8_t> ShrinkToIcon(const Square& square, int size) {
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4, 0);
    for (int v = 0; v < size; ++v) {
        const int y0 = square.top + v * square.side / size, y1 = square.top + (v + 1) * square.side / size;
        for (int u = 0; u < size; ++u) {
            const int x0 = square.left + u * square.side / size, x1 = square.left + (u + 1) * square.side / size;
            uint32_t sum[3] = {0, 0, 0}, covered = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) {
                    if (!Covered(x, y)) continue;
                    const uint32_t pixel = Scene.colorBuffer[static_cast<size_t>(y) * Scene.width + x];
                    sum[0] += (pixel >> 16) & 0xFF;
                    sum[1] += (pixel >> 8) & 0xFF;
                    sum[2] += pixel & 0xFF;
                    ++covered;
                }
            if (covered == 0) continue;
            const uint32_t area = static_cast<uint32_t>((x1 - x0) * (y1 - y0));
            uint8_t* out = &rgba[(static_cast<size_t>(v) * size + u) * 4];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((sum[c] + covered / 2) / covered);
            out[3] = static_cast<uint8_t>((255 * covered + area / 2) / area);
        }
    }
    return rgba;
}

void PutLittleEndian(std::vector<uint8_t>& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// An .ico whose images are the PNG files themselves (read by Windows Vista
// and later): a 6-byte header, a 16-byte entry per image, then the images.
std::vector<uint8_t> IcoOfPngs(const std::vector<std::vector<uint8_t>>& pngs) {
    std::vector<uint8_t> ico;
    PutLittleEndian(ico, 0, 2);  // reserved
    PutLittleEndian(ico, 1, 2);  // an icon, not a cursor
    PutLittleEndian(ico, static_cast<uint32_t>(pngs.size()), 2);
    uint32_t offset = static_cast<uint32_t>(6 + 16 * pngs.size());
    for (size_t i = 0; i < pngs.size(); ++i) {
        const uint32_t size = static_cast<uint32_t>(IconSizes[i]);
        ico.push_back(static_cast<uint8_t>(size & 0xFF));  // width; 0 stands for 256
        ico.push_back(static_cast<uint8_t>(size & 0xFF));  // height
        ico.push_back(0);                                  // no palette
        ico.push_back(0);                                  // reserved
        PutLittleEndian(ico, 1, 2);                        // colour planes
        PutLittleEndian(ico, 32, 2);                       // bits per pixel
        PutLittleEndian(ico, static_cast<uint32_t>(pngs[i].size()), 4);
        PutLittleEndian(ico, offset, 4);
        offset += static_cast<uint32_t>(pngs[i].size());
    }
    for (const std::vector<uint8_t>& png : pngs) ico.insert(ico.end(), png.begin(), png.end());
    return ico;
}

bool WriteIconFiles(const std::string& dir, std::string& error) {
    const Square square = SquareAroundModel();
    std::vector<std::vector<uint8_t>> pngs;
    for (int size : IconSizes) {
        std::vector<uint8_t> png;
        if (!EncodeRgbaPng(ShrinkToIcon(square, size).data(), size, size, png, error)) return false;
        const std::string path = dir + "/velmora-" + std::to_string(size) + ".png";
        if (!WriteFileBytes(path, png.data(), png.size(), error)) return false;
        pngs.push_back(std::move(png));
    }
    const std::vector<uint8_t> ico = IcoOfPngs(pngs);
    return WriteFileBytes(dir + "/velmora.ico", ico.data(), ico.size(), error);
}

}  // namespace

bool ExportIcons(const std::string& dir, std::string& error) {
    // Before the scene is opened: start-up geometry uses the reciprocals too.
    PortableArithmetic = true;
    if (!OpenHeadlessScene(IconScreenWidth, IconScreenHeight)) {
        error = "cannot allocate the buffers for the icon's frame";
        return false;
    }
    WalkFrames(IconFrame, IconFrame, [](uint32_t) { return true; });
    const bool written = WriteIconFiles(dir, error);
    CloseHeadlessScene();
    return written;
}
