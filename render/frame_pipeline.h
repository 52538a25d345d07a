// One frame, from the pre-pass depth clear to the join of the band workers.
#pragma once

// The points of a frame that RenderFrame reports to an observer: after each
// step on the calling thread, and where each band starts and ends, on the
// thread that draws it (the bench reads its clock there).
enum class FramePoint { Started, PrepassCleared, ModelTransformed, PrepassDrawn, BandStarted, BandEnded, BandsJoined };
constexpr int FramePointCount = static_cast<int>(FramePoint::BandsJoined) + 1;

// Told of each point of a frame; band is the band's number at BandStarted and
// BandEnded, else -1.
using FrameObserver = void (*)(FramePoint point, int band);

// Draws one complete frame into Scene.colorBuffer: PrepareFrame, then the two
// band workers, forked and joined (DrawFrameBands). Returns when every pixel
// is final.
void RenderFrame(FrameObserver observer = nullptr);

// Everything before the band workers, on the calling thread:
// ClearPrepassDepth, TransformModel, DrawPrepass. Each band worker clears
// its own rows of the other two buffers; nothing here touches
// Scene.colorBuffer.
void PrepareFrame();

// The rest of the frame PrepareFrame began: the two band workers, forked and
// joined, each clearing and drawing its half of Scene.colorBuffer.
void DrawFrameBands();
