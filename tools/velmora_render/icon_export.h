// The program's icon, drawn by the renderer itself: the set facing the viewer,
// cropped square around the model, as PNG files for desktops and one .ico
// for the Windows program.
#pragma once
#include <string>

// The frame whose front faces the camera (three quarters of a turn).
constexpr unsigned IconFrame = 384;

// The sizes written, in pixels: velmora-N.png for each, and all of them in velmora.ico.
constexpr int IconSizes[] = {48, 64, 128, 256};

// Draws IconFrame in portable arithmetic (so the bytes are the same on every
// processor) and writes DIR/velmora-N.png and DIR/velmora.ico. Pixels the model
// does not cover are transparent. Returns false with a one-line reason.
bool ExportIcons(const std::string& dir, std::string& error);
