// Pictures of a frame's buffers (see BufferRecord), each the picture's size in
// 0x00RRGGBB words, and their files beside the frame's picture.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/velmora_render/buffer_record.h"

enum class BufferView { PrepassDepth, ShadeDepth, Faces, FrontSurface, Overdraw, Bands, Count };

// The file name's suffix of each view: frame_NNNNNN_<suffix>.png.
const char* BufferViewName(BufferView view);

// The colour that stands for a face in the face view: the same for a face in
// every frame, and neighbouring face numbers far apart in hue.
uint32_t FaceColour(int32_t face);

// One view of the record.
void DrawBufferView(BufferView view, const BufferRecord& record, std::vector<uint32_t>& picture);

// Records the current frame's buffers and writes every view as
// <framePathStem>_<name>.png. Returns false with a one-line reason.
bool WriteBufferViews(const std::string& framePathStem, std::string& error);
