// What a frame left in its buffers, and what the final buffers do not keep,
// recomputed after the frame from copies: which face won each pixel, how many
// translucent layers were added there and which of them passed the
// front-surface test. Only for looking inside a frame (velmora-render
// --buffers); nothing here runs while a frame is drawn.
#pragma once
#include <cstdint>
#include <vector>

#include "render/nearest_marks.h"

constexpr int32_t NoFace = -1;

struct BufferRecord {
    int width = 0, height = 0;
    // Copies of the frame's buffers as the frame left them.
    std::vector<uint32_t> color;
    std::vector<float> prepassDepth;
    std::vector<float> shadeDepth;
    // Per pixel: the opaque face whose fragment the marking step kept (the one
    // lit there), or NoFace.
    std::vector<int32_t> opaqueFace;
    // Per pixel: the nearest translucent face added there, or NoFace.
    std::vector<int32_t> nearestTranslucentFace;
    // Per pixel: translucent layers added (those in front of the opaque
    // surface), and how many of them were lit as the front surface.
    std::vector<uint8_t> translucentLayers;
    std::vector<uint8_t> translucentFrontLayers;
    // True when the re-run of the marking step left exactly the frame's
    // ShadeDepth: the recomputed faces are the ones the frame lit.
    bool shadeDepthMatches = false;
};

// Fills record from the current frame (Scene's buffers and this frame's
// vertices): call after RenderFrame and before the next frame is prepared.
// The frame's buffers are only read. Reuses record's storage.
void RecordFrameBuffers(BufferRecord& record);

// The marking step of one face in one band, as the band workers run it
// (render/band_plan.h), into scratch buffers of the picture's size: marks
// cleared to 0 and depths as the band left them; marked has a place for every
// drawn face. Returns the rows where the face took its tag.
RowRange MarkFaceInBand(uint32_t face, int band, const BufferRecord& record, uint32_t* marks, float* depths,
                        std::vector<RowRange>& marked);
